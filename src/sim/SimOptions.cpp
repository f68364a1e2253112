#include "sim/SimOptions.h"

#include "sim/Commissioning.h"
#include "sim/FloodFaults.h"
#include "sim/ConstellationStatusReply.h"
#include "sim/InstallStatusReply.h"

#include <optional>

#include <cmath>
#include <limits>

namespace sim {
namespace {

bool ParseUnsigned(const QString& text, std::uint64_t max, std::uint64_t& value)
{
    bool ok = false;
    const qulonglong parsed = text.toULongLong(&ok, 10);
    if (!ok || parsed > max || text.startsWith(u'+'))
        return false;
    value = parsed;
    return true;
}

// "ADDRESS:PORT", "[IPv6]:PORT"
bool ParseListen(const QString& text, SimOptions& options)
{
    const qsizetype colon = text.lastIndexOf(u':');
    if (colon <= 0)
        return false;
    QString host = text.left(colon);
    if (host.startsWith(u'[') && host.endsWith(u']'))
        host = host.mid(1, host.size() - 2);
    if (host.compare(u"localhost", Qt::CaseInsensitive) == 0)
        host = QStringLiteral("127.0.0.1");
    std::uint64_t port = 0;
    if (!options.listenAddress.setAddress(host) || !ParseUnsigned(text.mid(colon + 1), 65535, port))
        return false;
    options.listenPort = std::uint16_t(port);
    return true;
}

// "IPv4:Q1ADDRESS"
bool ParseUnit(const QString& text, UnitAddress& unit)
{
    const qsizetype colon = text.lastIndexOf(u':');
    if (colon <= 0)
        return false;
    std::uint64_t q1 = 0;
    if (!unit.ip.setAddress(text.left(colon)) || unit.ip.protocol() != QAbstractSocket::IPv4Protocol
        || !ParseUnsigned(text.mid(colon + 1), 65535, q1))
        return false;
    unit.q1Address = std::uint16_t(q1);
    return true;
}

bool ParseOpcode(QString text, std::size_t& opcode)
{
    if (text.startsWith(u"0x", Qt::CaseInsensitive))
        text = text.mid(2);
    bool ok = false;
    const uint value = text.toUInt(&ok, 16);
    if (!ok || text.isEmpty() || value > 0xFF || text.startsWith(u'+'))
        return false;
    opcode = value;
    return true;
}

// "LATITUDE,LONGITUDE,ALTITUDE": packed angles (DDDMMSSmmm, negative south or
// west) and centimetres.
bool ParsePosition(const QString& text, ConstellationOptions& options)
{
    const QStringList parts = text.split(u',');
    if (parts.size() != 3)
        return false;
    std::int32_t values[3] = {};
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        values[i] = parts[i].trimmed().toInt(&ok, 10);
        if (!ok)
            return false;
    }
    const auto angleOk = [](std::int32_t packed, int maxDegrees) {
        const std::int64_t v = packed < 0 ? -std::int64_t(packed) : packed;
        return v / 10000000 <= maxDegrees && (v / 100000) % 100 < 60 && (v / 1000) % 100 < 60;
    };
    if (!angleOk(values[0], 90) || !angleOk(values[1], 180))
        return false;
    options.latitude = values[0];
    options.longitude = values[1];
    options.altitudeCm = values[2];
    return true;
}

} // namespace

std::int32_t PackedAngle(std::int32_t tenMillionths)
{
    const std::int64_t magnitude = tenMillionths < 0 ? -std::int64_t{tenMillionths} : tenMillionths;
    const std::int64_t thousandthsOfSecond = (magnitude * 3600 + 5000) / 10000; // degrees * 3 600 000
    const std::int64_t degrees = thousandthsOfSecond / 3600000;
    const std::int64_t minutes = thousandthsOfSecond / 60000 % 60;
    const std::int64_t millis = thousandthsOfSecond % 60000;
    const std::int64_t packed = degrees * 10000000 + minutes * 100000 + millis;
    return static_cast<std::int32_t>(tenMillionths < 0 ? -packed : packed);
}

bool ParseOptions(const QStringList& arguments, SimOptions& options, QString& error)
{
    InstallStatusOptions installOptions;
    std::optional<std::uint8_t> verdict;
    bool constellationPositionGiven = false;
    options = SimOptions{};
    bool haveListen = false;

    for (qsizetype i = 0; i < arguments.size(); ++i) {
        QString name = arguments[i];
        QString value;
        bool inlineValue = false;
        if (name.startsWith(u"--")) {
            const qsizetype equals = name.indexOf(u'=');
            if (equals > 0) {
                value = name.mid(equals + 1);
                name = name.left(equals);
                inlineValue = true;
            }
        }

        const bool flag = name == u"--help" || name == u"-h" || name == u"--version" || name == u"--refuse-open"
            || name == u"--antenna-fault" || name == u"--self-test-failure" || name == u"--no-fix"
            || name == u"--free-running" || name == u"--reset-unanswered" || name == u"--reset-silent"
            || IsFirmwareFlag(name) || IsCommissioningFlag(name);
        if (flag) {
            if (inlineValue) {
                error = name + QStringLiteral(" takes no value");
                return false;
            }
        } else if (!inlineValue) {
            if (!name.startsWith(u'-')) {
                error = QStringLiteral("unexpected argument '%1'").arg(name);
                return false;
            }
            if (i + 1 >= arguments.size()) {
                error = name + QStringLiteral(" needs a value");
                return false;
            }
            value = arguments[++i];
        }
        const auto bad = [&](const char* expected) {
            error = QStringLiteral("%1: '%2' is not %3").arg(name, value, QLatin1String(expected));
            return false;
        };

        std::uint64_t number = 0;
        if (name == u"--help" || name == u"-h") {
            options.help = true;
        } else if (name == u"--version") {
            options.version = true;
        } else if (name == u"--listen") {
            if (!ParseListen(value, options))
                return bad("ADDRESS:PORT");
            haveListen = true;
        } else if (name == u"--unit") {
            UnitAddress unit;
            if (!ParseUnit(value, unit))
                return bad("IPv4-ADDRESS:Q1ADDRESS");
            for (const UnitAddress& known : options.units) {
                if (known == unit) {
                    error = QStringLiteral("--unit %1 given twice").arg(value);
                    return false;
                }
            }
            options.units.push_back(unit);
        } else if (name == u"--trace") {
            if (value.isEmpty())
                return bad("a file name");
            options.tracePath = value;
        } else if (name == u"--replay") {
            if (value.isEmpty())
                return bad("a file name");
            options.replayPath = value;
        } else if (name == u"--state") {
            if (value.isEmpty())
                return bad("a file name");
            options.statePath = value;
        } else if (name == u"--directory") {
            if (value.isEmpty())
                return bad("a file name");
            options.directoryPath = value;
        } else if (name == u"--identity") {
            options.behaviour.identity = value.toLatin1().toStdString();
        } else if (name == u"--drop-every") {
            if (!ParseUnsigned(value, std::numeric_limits<std::uint32_t>::max(), number) || number == 0)
                return bad("a whole number of at least 1");
            options.faults.dropEvery = std::uint32_t(number);
        } else if (name == u"--drop-probability") {
            bool ok = false;
            const double p = value.toDouble(&ok);
            if (!ok || !(p >= 0.0 && p <= 1.0))
                return bad("a probability from 0 to 1");
            options.faults.dropProbability = p;
        } else if (name == u"--seed") {
            if (!ParseUnsigned(value, std::numeric_limits<std::uint64_t>::max(), number))
                return bad("a whole number");
            options.faults.seed = number;
        } else if (name == u"--delay-ms") {
            if (!ParseUnsigned(value, std::numeric_limits<int>::max(), number))
                return bad("a number of milliseconds");
            options.faults.delayMs = std::uint32_t(number);
        } else if (name == u"--nak-opcode") {
            std::size_t opcode = 0;
            if (!ParseOpcode(value, opcode))
                return bad("a hexadecimal opcode from 0x00 to 0xFF");
            options.behaviour.nakOpcodes.set(opcode);
        } else if (name == u"--fail-request") {
            const QByteArray hex = value.toLatin1();
            const QByteArray bytes = QByteArray::fromHex(hex);
            if (hex.isEmpty() || hex.size() % 2 != 0 || bytes.size() * 2 != hex.size()
                || bytes.toHex() != hex.toLower())
                return bad("hex bytes such as 53540100c001");
            options.faults.failRequests.emplace_back(bytes.begin(), bytes.end());
        } else if (name == u"--short-reply-opcode") {
            std::size_t opcode = 0;
            if (!ParseOpcode(value, opcode))
                return bad("a hexadecimal opcode from 0x00 to 0xFF");
            options.behaviour.shortReplyOpcodes.set(opcode);
        } else if (name == u"--refuse-open") {
            options.faults.refuseOpen = true;
        } else if (name == u"--reboot-ms") {
            if (!ParseUnsigned(value, 600000, number))
                return bad("a number of milliseconds up to 600000");
            options.faults.rebootMs = std::uint32_t(number);
        } else if (name == u"--restart-delay-ms") {
            if (!ParseUnsigned(value, 600000, number))
                return bad("a number of milliseconds up to 600000");
            options.faults.restartDelayMs = std::uint32_t(number);
        } else if (name == u"--reset-unanswered" || name == u"--reset-silent") {
            const ResetReply reply = name == u"--reset-silent" ? ResetReply::Silent : ResetReply::Unanswered;
            if (options.behaviour.resetReply != ResetReply::Answered && options.behaviour.resetReply != reply) {
                error = QStringLiteral("--reset-unanswered and --reset-silent exclude each other");
                return false;
            }
            options.behaviour.resetReply = reply;
        } else if (name == u"--break-after") {
            if (!ParseUnsigned(value, std::numeric_limits<std::uint32_t>::max(), number) || number == 0)
                return bad("a whole number of at least 1");
            options.faults.breakAfter = std::uint32_t(number);
        } else if (name == u"--gps-time") {
            const std::optional<GpsClockReading> time = ParseGpsTime(value);
            if (!time)
                return bad("a date and time YYYY-MM-DD HH:MM:SS");
            options.gps.fixedTime = time;
        } else if (name == u"--position") {
            if (!ParseGpsPosition(value, options.gps))
                return bad("LATITUDE,LONGITUDE,ALTITUDE_CM");
        } else if (name == u"--gps-mode") {
            if (!ParseUnsigned(value, 255, number))
                return bad("a number from 0 to 255");
            options.gps.mode = std::uint8_t(number);
        } else if (name == u"--history-days") {
            if (!ParseUnsigned(value, kStatisticsDays, number))
                return bad("a number of days from 0 to 7");
            options.constellation.historyDays = int(number);
        } else if (name == u"--antenna-fault") {
            options.constellation.antennaFault = true;
        } else if (name == u"--sky-seed") {
            if (!ParseUnsigned(value, std::numeric_limits<std::uint64_t>::max(), number))
                return bad("a whole number");
            options.constellation.skySeed = number;
        } else if (name == u"--statistics-file") {
            std::vector<DayRecord> records;
            QString why;
            if (value.isEmpty() || !LoadDayRecords(value, records, why)) {
                error = QStringLiteral("--statistics-file: %1").arg(why.isEmpty() ? QStringLiteral("needs a file name") : why);
                return false;
            }
            options.constellation.fixedRecords = std::move(records);
        } else if (name == u"--self-test-failure") {
            installOptions.selfTestFailure = true;
        } else if (name == u"--no-fix") {
            installOptions.noFix = true;
        } else if (name == u"--free-running") {
            installOptions.freeRunning = true;
        } else if (name == u"--constellation-verdict") {
            if (!ParseUnsigned(value, 255, number))
                return bad("a verdict code 0..255 (255: initialising)");
            verdict = std::uint8_t(number);
        } else if (name == u"--constellation-position") {
            constellationPositionGiven = true;
            if (!ParsePosition(value, options.constellation))
                return bad("LATITUDE,LONGITUDE,ALTITUDE (packed DDDMMSSmmm angles, centimetres)");
        } else if (const FloodOptionParse taken = ParseFloodOption(name, value, options.faults, error);
                   taken != FloodOptionParse::NotMine) {
            if (taken == FloodOptionParse::Bad)
                return false;
        } else if (const FleetOptionParse taken = ParseFleetOption(name, value, options.fleet, error);
                   taken != FleetOptionParse::NotMine) {
            if (taken == FleetOptionParse::Bad)
                return false;
        } else if (const FirmwareOptionParse taken = ParseFirmwareOption(name, value, options.behaviour.firmware, error);
                   taken != FirmwareOptionParse::NotMine) {
            if (taken == FirmwareOptionParse::Bad)
                return false;
        } else if (const CommissioningOptionParse taken =
                       ParseCommissioningOption(name, value, options.behaviour.commissioning, error);
                   taken != CommissioningOptionParse::NotMine) {
            if (taken == CommissioningOptionParse::Bad)
                return false;
        } else {
            error = QStringLiteral("unknown option '%1' (see --help)").arg(name);
            return false;
        }
    }

    // One unit, one place: unless told otherwise the position query reports
    // the position of the GPS block.
    if (!constellationPositionGiven) {
        options.constellation.latitude = PackedAngle(options.gps.latitude);
        options.constellation.longitude = PackedAngle(options.gps.longitude);
        options.constellation.altitudeCm = options.gps.altitudeCm;
    }
    SetGpsSetup(options.gps);
    SetConstellationOptions(options.constellation);
    SetInstallStatusOptions(installOptions);
    if (verdict)
        SetConstellationVerdictOverride(verdict);
    if (options.help || options.version)
        return true;
    if (!haveListen) {
        error = QStringLiteral("--listen ADDRESS:PORT is required (see --help)");
        return false;
    }
    if (!CheckFleetOptions(options.fleet, error))
        return false;
    if (options.units.empty()) {
        UnitAddress unit;
        ParseUnit(QLatin1String(kDefaultUnit), unit);
        options.units.push_back(unit);
    }
    return true;
}

QString HelpText()
{
    return QStringLiteral(
        "Usage: qora-unit-sim --listen ADDRESS:PORT [--unit IP:Q1ADDRESS]... [--trace FILE]\n"
        "                     [--replay FILE] [--state FILE] [--directory FILE] [fault options]\n"
        "       qora-unit-sim --help | --version\n"
        "\n"
        "A gateway to simulated QORA units, speaking the tool's TCP link (length-prefixed\n"
        "OPEN / TRANSFER / CLOSE frames). The first line on standard output is always\n"
        "'listening on ADDRESS:PORT' with the port actually taken.\n"
        "\n"
        "  --listen ADDRESS:PORT   address to listen on; port 0 takes a free port\n"
        "  --unit IP:Q1ADDRESS     a unit on the Q1 bus (repeatable); default %1\n"
        "                          OPEN finds a unit by HOST and ADDR of its connection\n"
        "                          string, by ADDR alone (first match) without HOST, and\n"
        "                          also when no unit has the IP in HOST but HOST is the\n"
        "                          simulator's own address: the listening address, or\n"
        "                          127.0.0.1 or ::1 when listening on any address (so a\n"
        "                          client that connects straight to the simulator, with\n"
        "                          no gateway setting, reaches its units)\n"
        "  --trace FILE            append one JSON line per answered OPEN and TRANSFER:\n"
        "                          kind \"open\"|\"transfer\", seq, conn, unit, route, req,\n"
        "                          result, rep. For OPEN, conn is the trimmed connection\n"
        "                          text and req the hex of the text as received; for\n"
        "                          TRANSFER, conn is the client's last successful OPEN\n"
        "                          text (null before one) and req the request bytes.\n"
        "                          rep is the reply bytes' hex for a TRANSFER with result 0,\n"
        "                          otherwise null. Hex is lower case without separators.\n"
        "  --replay FILE           answer from a recording (such a trace, or one the tool\n"
        "                          wrote; other keys are ignored) instead of the units:\n"
        "                          an OPEN with the result recorded for its connection\n"
        "                          text, a TRANSFER with the reply recorded for the same\n"
        "                          route and request bytes, repeats in recorded order and\n"
        "                          the last one again when they run out. A request never\n"
        "                          recorded gets result 2 and a line on standard error.\n"
        "                          A damaged recording is refused at start (exit 1) with\n"
        "                          its line number and the reason\n"
        "  --state FILE            keep the values written to the units in FILE (JSON):\n"
        "                          loaded at start (a damaged file is reported, left\n"
        "                          alone and replaced only after the next applied\n"
        "                          write), saved after every applied write\n"
        "  --directory FILE        once listening, and before the first line, write a\n"
        "                          node directory of the units for the tool's network\n"
        "                          browser (JSON, described in\n"
        "                          /usr/share/doc/qora-manager/link-contract.md),\n"
        "                          replacing FILE whole or not at all. Groups\n"
        "                          \"Simulated network\" and the listening\n"
        "                          ADDRESS:PORT; per unit a node of\n"
        "                          kind 1 named \"QORA-<Q1>\" (\"QORA-<Q1> (<IP>)\" when\n"
        "                          units share a Q1 address) with the connection string\n"
        "                          WP=SOCKET,HOST=<H>,PORT=<port>,WP=NEQ1,ADDR=<Q1>.\n"
        "                          H is the simulator's own address (see --unit), so\n"
        "                          the tool needs no gateway setting; a unit that this\n"
        "                          would not find (an earlier unit has its Q1 address)\n"
        "                          gets its IP as H and needs QORA_RKS_GATEWAY set to\n"
        "                          the simulator\n"
        "\n"
        "Unit behaviour:\n"
        "  On the null route the units answer parameter reads (0x54), writes (0x53) and\n"
        "  commands (0x01) and the GPS date-and-time query (0x65, answered 54 69 with\n"
        "  day, month, year (16 bits), hour, minute, second); anything else gets the\n"
        "  negative acknowledgement 54 F0. On\n"
        "  route wp=opt,pr=q1dl the probe 03 gets the identity text and a zero byte.\n"
        "  The download routes (wp=opt,pr=q1ad and wp=opt,pr=q1ad,wp=fe,id=0,ch=9) take\n"
        "  the firmware download (below); other routes are not answered: the TRANSFER\n"
        "  gets result 2 (unit did not answer).\n"
        "\n"
        "GPS options:\n"
        "  --gps-time \"YYYY-MM-DD HH:MM:SS\"\n"
        "                          answer the date-and-time query with this date and\n"
        "                          time, always the same (default: the host's UTC clock).\n"
        "                          Each number only has to fit its reply byte (the year\n"
        "                          16 bits), so invalid dates such as 2009-00-05 can be set\n"
        "  --position LAT,LON,ALT_CM\n"
        "                          the GPS position block 0xC001: latitude and longitude in\n"
        "                          decimal degrees (south and west negative), altitude in\n"
        "                          centimetres (default 59.32935,18.0686,2850)\n"
        "  --gps-mode N            mode byte of 0xC001: 1 uses the stored position as the\n"
        "                          surveyed position, other values mean self survey\n"
        "                          (default 0)\n"
        "\n"
        "Fault options:\n"
        "  --identity TEXT         answer the identity probe with TEXT (default %2)\n"
        "  --drop-every N          lose every Nth TRANSFER that reaches a unit, counted\n"
        "                          over all connections: the unit never sees it and no\n"
        "                          reply is sent\n"
        "  --drop-probability P    lose each such TRANSFER with probability P (0..1)\n"
        "  --seed S                seed of the drop draws (default 1); the same seed and\n"
        "                          the same requests give the same drops\n"
        "  --delay-ms MS           send every reply MS milliseconds late\n"
        "  --nak-opcode HEX        answer null-route requests with this service opcode\n"
        "                          (e.g. 0x54) with 54 F0 (repeatable)\n"
        "  --fail-request HEX      a null-route request whose bytes begin with HEX (e.g.\n"
        "                          53540100c001, the read of 0xC001) gets result 2 (unit\n"
        "                          did not answer) and is not applied (repeatable)\n"
        "  --short-reply-opcode HEX\n"
        "                          cut the reply to null-route requests with this\n"
        "                          service opcode after its first two bytes (repeatable)\n"
        "  --refuse-open           answer every OPEN with result 1 (no such unit)\n"
        "  --break-after N         close a connection once N TRANSFER replies have been\n"
        "                          sent on it\n"
        "  --reboot-ms MS          after a reset request a unit answers it, then does not\n"
        "                          answer (TRANSFER result 2) for MS ms (default 3000)\n"
        "  --restart-delay-ms MS   a unit that answered a reset or an activation goes on\n"
        "                          answering with its old setup (addresses, values,\n"
        "                          active firmware) for MS ms; then it restarts\n"
        "                          (--reboot-ms) and applies what the reset applies\n"
        "  --reset-unanswered      the unit goes down on the reset request (86 0D 36 00 00,\n"
        "                          53 77 00 00 on the null route) without answering it:\n"
        "                          that TRANSFER gets result 2 (unit did not answer); the\n"
        "                          restart (--reboot-ms) and what it applies happen as\n"
        "                          after an answered reset\n"
        "  --reset-silent          likewise, but no reply at all goes back to that TRANSFER\n"
        "                          (and no trace line), as when the unit drops the link:\n"
        "                          the tool's transfer timeout ends the wait\n"
        "\n"
        "Satellites and constellation statistics:\n"
        "  Each unit's twelve receiver channels track satellites that rise and set over\n"
        "  time. The unit answers the position query (service opcode 0x66) and the\n"
        "  seven-day statistics query (0x82) with the seconds it saw 0..12 satellites\n"
        "  on each of the last seven whole days (UTC), oldest first, collected since it\n"
        "  started and over the history below.\n"
        "  --history-days N        whole days collected before the start, 0..7\n"
        "                          (default 7); 0: nothing until the first midnight\n"
        "  --antenna-fault         the last whole day before the start saw no satellite\n"
        "                          (86400 s with 0 satellites)\n"
        "  --sky-seed N            seed of the satellite passes (default 1)\n"
        "  --statistics-file FILE  send fixed records instead: one line per day, oldest\n"
        "                          first, \"DAY MONTH YEAR\" and 13 numbers of seconds;\n"
        "                          '#' starts a comment line; at most seven lines\n"
        "  --self-test-failure     the installation status reports failed self-tests\n"
        "  --no-fix                the receiver never gets a fix and tracks no satellite\n"
        "  --free-running          the unit's clock never locks\n"
        "  --constellation-verdict N\n"
        "                          the constellation verdict reported (e.g. 255 initialising)\n"
        "  --constellation-position LAT,LON,ALT_CM\n"
        "                          the position the position query reports: angles as\n"
        "                          decimal digits DDDMMSSmmm (negative south or west),\n"
        "                          altitude in cm (default: the --position, converted)\n"
        "\n"
        "%5"
        "\n"
        "%3"
        "\n"
        "%4"
        "\n"
        "%6"
        "\n"
        "  --help                  show this text\n"
        "  --version               print the release number\n"
        "\n"
        "Exit status: 0 after SIGINT or SIGTERM, 1 when it cannot listen, open the\n"
        "trace file, read the recording or write the node directory, 2 for bad options.\n")
        .arg(QLatin1String(kDefaultUnit), QLatin1String(kDefaultIdentity.data(), kDefaultIdentity.size()),
             FirmwareHelpText(), CommissioningHelpText(), FloodHelpText(), FleetHelpText());
}

} // namespace sim
