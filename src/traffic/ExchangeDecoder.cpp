#include "traffic/ExchangeDecoder.h"

#include "link/ServiceFraming.h"
#include "protocol/Vocabulary.h"

#include <algorithm>
#include <array>

namespace {

namespace Class = Protocol::Class;
namespace Op = Protocol::Op;
namespace Param = Protocol::Param;

struct SNamed {
    std::uint16_t id;
    const char* name;
};

// What the traffic window calls the unit's parameters.
constexpr std::array<SNamed, 13> kParameters = {{
    {Param::kCommissioningBlock, "commissioning block"},
    {Param::kUserBlock, "user block"},
    {Param::kVersionBlock, "version block"},
    {Param::kBusOptions, "last-device option"},
    {Param::kGpsParameters, "GPS parameters"},
    {Param::kSystemOffsets, "system data"},
    {Param::kAntennaDelay, "time calculation"},
    {Param::kFrameClockDelay, "time calculation"},
    {Param::kClockTiming, "clock timing"},
    {Param::kUserName, "user name"},
    {Param::kUserDate, "user date"},
    {Param::kUserComments, "user comments"},
    {Param::kUserActions, "user actions"},
}};

// The service sees requests by their translated opcode.
constexpr std::uint8_t Service(std::uint8_t messageClass, std::uint8_t opcode)
{
    return Protocol::ServiceOpcode(messageClass, opcode);
}

// Requests without parameters, by the opcode the service sees.
constexpr std::array<SNamed, 7> kQueries = {{
    {Service(Class::kStatus, Op::kGpsStatus), "GPS status"},
    {Service(Class::kStatus, Op::kDateTime), "date and time"},
    {Service(Class::kParameter, Op::kInstallStatus), "installation status"},
    {Service(Class::kStatus, Op::kConstellationStatistics), "constellation statistics"},
    {Service(Class::kStatus, Op::kLogStatistics), "constellation log statistics"},
    {Service(Class::kUnitCommand, Op::kReadFirmwareNames), "read firmware names"},
    {Service(Class::kUnitCommand, Op::kActivate), "unit reset"},
}};

// Every opcode the unit answers with after the reply mark: the service's side
// of every translation.
bool IsReplyOpcode(std::uint8_t opcode)
{
    const auto in = [opcode](const auto& table) {
        return std::any_of(table.begin(), table.end(),
                           [opcode](const Protocol::SOpcodePair& pair) { return pair.service == opcode; });
    };
    return in(Protocol::kParameterOpcodes) || in(Protocol::kStatusOpcodes) || in(Protocol::kDownloadOpcodes) ||
           in(Protocol::kUnitCommandOpcodes);
}

struct SDownloadText {
    const char* command;
    const char* name;
};

constexpr std::array<SDownloadText, 6> kDownloadTexts = {{
    {"M:17,2,1", "download start"},
    {"M:17,2,2", "version check"},
    {"M:17,2,4", "download end"},
    {"M:17,2,5", "transfer start"},
    {"M:17,3,0", "final status"},
    {"M:17,3,1", "status query"},
}};

constexpr std::uint16_t kCommandOpen = 0x0001;
constexpr std::uint16_t kCommandClose = 0x0000;

// Read, write and command opcodes as the service numbers them.
constexpr std::uint8_t kServiceRead = Service(Class::kParameter, Op::kRead);
constexpr std::uint8_t kServiceWrite = Service(Class::kParameter, Op::kWrite);
constexpr std::uint8_t kServiceCommand = Service(Class::kParameter, Op::kCommand);
constexpr std::uint8_t kServiceUnitCommand = Service(Class::kUnitCommand, Op::kActivate);
constexpr std::uint8_t kServiceReadReply = Service(Class::kParameter, Op::kReadReply);
constexpr std::uint8_t kServiceWriteReply = Service(Class::kParameter, Op::kWriteReply);
constexpr std::uint8_t kServiceCommandReply = Service(Class::kParameter, Op::kCommandReply);

QString Hex16(std::uint16_t value)
{
    return QStringLiteral("0x%1").arg(value, 4, 16, QLatin1Char('0')).toUpper().replace(
        QLatin1String("0X"), QLatin1String("0x"));
}

QString Hex8(std::uint8_t value)
{
    return QStringLiteral("0x%1").arg(value, 2, 16, QLatin1Char('0')).toUpper().replace(
        QLatin1String("0X"), QLatin1String("0x"));
}

std::uint16_t Word(std::span<const std::uint8_t> bytes, std::size_t at)
{
    return static_cast<std::uint16_t>((bytes[at] << 8) | bytes[at + 1]);
}

const char* Find(const auto& table, std::uint16_t id)
{
    const auto it = std::find_if(table.begin(), table.end(), [id](const SNamed& n) { return n.id == id; });
    return it == table.end() ? nullptr : it->name;
}

QString Parameter(std::uint16_t id)
{
    const char* name = Find(kParameters, id);
    return name ? Hex16(id) + QLatin1Char(' ') + QLatin1String(name) : Hex16(id);
}

// Text up to the first zero or carriage return, printable ASCII only.
std::optional<std::string> CommandText(std::span<const std::uint8_t> bytes)
{
    std::string text;
    for (const std::uint8_t b : bytes) {
        if (b == 0 || b == '\r')
            break;
        if (b < 0x20 || b >= 0x7F)
            return std::nullopt;
        text.push_back(static_cast<char>(b));
    }
    if (text.empty())
        return std::nullopt;
    return text;
}

QString DescribeUnitRequest(std::span<const std::uint8_t> req)
{
    if (req.size() < 2)
        return QStringLiteral("truncated request");
    const std::uint8_t opcode = req[1];
    const auto body = req.subspan(2);
    switch (opcode) {
    case kServiceRead:
        if (body.size() < 4)
            return QStringLiteral("read (truncated)");
        return QStringLiteral("read ") + Parameter(Word(body, 2));
    case kServiceWrite: {
        if (body.size() < 3)
            return QStringLiteral("write (truncated)");
        const std::size_t count = body.size() - 3;
        QString text = QStringLiteral("write %1 (%2 bytes)").arg(Parameter(Word(body, 0))).arg(count);
        if (body[2] != count)
            text += QStringLiteral(", length byte %1").arg(body[2]);
        return text;
    }
    case kServiceCommand: {
        if (body.size() < 2)
            return QStringLiteral("command (truncated)");
        const std::uint16_t id = Word(body, 0);
        QString text = QStringLiteral("command ") + Hex16(id);
        if (id == kCommandOpen)
            text += QStringLiteral(" open commissioning");
        else if (id == kCommandClose)
            text += QStringLiteral(" close commissioning");
        return text;
    }
    case kServiceUnitCommand:
        // The reset carries two zero bytes; activation the length and the name.
        if (body.size() >= 2 && body[0] != 0) {
            const auto name = CommandText(body.subspan(1));
            return QStringLiteral("activate firmware ") +
                   (name ? QString::fromLatin1(name->c_str()) : QStringLiteral("(no name)"));
        }
        break;
    default:
        break;
    }
    if (const char* name = Find(kQueries, opcode))
        return QLatin1String(name);
    return QStringLiteral("unknown opcode ") + Hex8(opcode);
}

QString DescribeDownloadText(std::span<const std::uint8_t> req)
{
    const auto text = CommandText(req);
    if (!text)
        return QStringLiteral("unknown request (%1 bytes)").arg(req.size());
    QString summary = QString::fromLatin1(text->c_str());
    for (const SDownloadText& known : kDownloadTexts) {
        if (*text == known.command)
            return summary + QLatin1Char(' ') + QLatin1String(known.name);
    }
    return summary + QStringLiteral(" unknown command text");
}

QString DescribeTftp(std::span<const std::uint8_t> packet)
{
    if (packet.size() < 2)
        return QStringLiteral("TFTP (truncated)");
    const std::uint16_t opcode = Word(packet, 0);
    const auto body = packet.subspan(2);
    switch (opcode) {
    case 1:
    case 2: {
        const auto name = CommandText(body);
        return QStringLiteral("TFTP %1 %2").arg(opcode == 1 ? QStringLiteral("RRQ") : QStringLiteral("WRQ"),
                                               name ? QString::fromLatin1(name->c_str()) : QStringLiteral("(no name)"));
    }
    case 3:
        if (body.size() < 2)
            return QStringLiteral("TFTP DATA (truncated)");
        return QStringLiteral("TFTP DATA block %1 (%2 bytes)").arg(Word(body, 0)).arg(body.size() - 2);
    case 4:
        if (body.size() < 2)
            return QStringLiteral("TFTP ACK (truncated)");
        return QStringLiteral("TFTP ACK block %1").arg(Word(body, 0));
    case 5: {
        if (body.size() < 2)
            return QStringLiteral("TFTP ERROR (truncated)");
        QString text = QStringLiteral("TFTP ERROR %1").arg(Word(body, 0));
        if (const auto message = CommandText(body.subspan(2)))
            text += QLatin1Char(' ') + QString::fromLatin1(message->c_str());
        return text;
    }
    case 6:
        return QStringLiteral("TFTP OACK");
    default:
        return QStringLiteral("TFTP unknown opcode ") + Hex16(opcode);
    }
}

bool IsIdentityRoute(const std::optional<std::string>& route)
{
    return route && *route == ServiceFraming::kIdentityRoute;
}

} // namespace

QString DescribeRequest(std::span<const std::uint8_t> req, const std::optional<std::string>& route)
{
    if (IsIdentityRoute(route))
        return QStringLiteral("identity query");
    if (route)
        return DescribeTftp(req);
    if (req.empty())
        return QStringLiteral("empty request");
    if (req[0] == ServiceFraming::kRequestMark)
        return DescribeUnitRequest(req);
    return DescribeDownloadText(req);
}

QString DescribeReply(std::span<const std::uint8_t> req, std::span<const std::uint8_t> rep,
                      const std::optional<std::string>& route)
{
    if (rep.empty())
        return QStringLiteral("empty reply");
    if (rep[0] == ServiceFraming::kReplyMark) {
        if (rep.size() < 2)
            return {};
        const std::uint8_t opcode = rep[1];
        if (opcode == ServiceFraming::kNegativeAck)
            return QStringLiteral("negative acknowledgement");
        if (!IsReplyOpcode(opcode))
            return QStringLiteral("unknown reply opcode ") + Hex8(opcode);
        // A read reply carries its status at offset 7, write and command
        // replies at offset 4; a refusal is worth seeing in the summary.
        if (opcode == kServiceReadReply && rep.size() > 7 && rep[7] != 0)
            return QStringLiteral("status %1").arg(rep[7]);
        if ((opcode == kServiceWriteReply || opcode == kServiceCommandReply) && rep.size() > 4 && rep[4] != 0)
            return QStringLiteral("status %1").arg(rep[4]);
        return {};
    }
    if (route && !IsIdentityRoute(route))
        return DescribeTftp(rep);
    if (!route && !req.empty() && req[0] != ServiceFraming::kRequestMark)
        return {}; // the unit's answer to a download text command
    if (IsIdentityRoute(route))
        return {};
    return QStringLiteral("unrecognised reply");
}

QString DescribeExchange(const STrafficExchange& exchange)
{
    switch (exchange.kind) {
    case ETrafficKind::Open:
        return exchange.conn ? QStringLiteral("open ") + QString::fromLatin1(exchange.conn->c_str())
                             : QStringLiteral("open");
    case ETrafficKind::Close:
        return QStringLiteral("close");
    case ETrafficKind::Transfer:
        break;
    }
    QString summary = DescribeRequest(exchange.req, exchange.route);
    if (exchange.rep) {
        const QString reply = DescribeReply(exchange.req, *exchange.rep, exchange.route);
        if (!reply.isEmpty())
            summary += QStringLiteral(": ") + reply;
    }
    return summary;
}
