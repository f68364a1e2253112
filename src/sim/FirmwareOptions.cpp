#include "sim/FirmwareOptions.h"

#include "sim/FirmwareBanks.h"

#include <limits>

namespace sim {
namespace {

bool ParseCount(const QString& text, std::uint64_t max, std::uint64_t& value)
{
    bool ok = false;
    const qulonglong parsed = text.toULongLong(&ok, 10);
    if (!ok || parsed > max || text.startsWith(u'+'))
        return false;
    value = parsed;
    return true;
}

bool ParseHexWord(QString text, std::uint16_t& value)
{
    if (text.startsWith(u"0x", Qt::CaseInsensitive))
        text = text.mid(2);
    bool ok = false;
    const uint parsed = text.toUInt(&ok, 16);
    if (!ok || text.isEmpty() || parsed > 0xFFFF || text.startsWith(u'+'))
        return false;
    value = std::uint16_t(parsed);
    return true;
}

} // namespace

bool IsFirmwareFlag(const QString& name)
{
    return name == u"--refuse-transfer-start" || name == u"--checksum-failure";
}

FirmwareOptionParse ParseFirmwareOption(const QString& name, const QString& value, FirmwareOptions& options,
                                        QString& error)
{
    const auto bad = [&](const char* expected) {
        error = QStringLiteral("%1: '%2' is not %3").arg(name, value, QLatin1String(expected));
        return FirmwareOptionParse::Bad;
    };
    constexpr std::uint64_t kMaxCount = std::numeric_limits<std::uint32_t>::max();
    std::uint32_t* busy = nullptr;
    if (name == u"--busy-version-check")
        busy = &options.busyVersionCheck;
    else if (name == u"--busy-status-query")
        busy = &options.busyStatusQuery;
    else if (name == u"--busy-transfer-start")
        busy = &options.busyTransferStart;
    else if (name == u"--busy-final-status")
        busy = &options.busyFinalStatus;
    else if (name == u"--verification-polls")
        busy = &options.verificationPolls;

    std::uint64_t number = 0;
    if (busy) {
        if (!ParseCount(value, kMaxCount, number))
            return bad("a whole number");
        *busy = std::uint32_t(number);
    } else if (name == u"--active-firmware" || name == u"--inactive-firmware") {
        const bool active = name == u"--active-firmware";
        const std::string text = value.toStdString();
        // Only the inactive bank may be empty.
        if (!(text.empty() ? !active : IsValidBankName(text)))
            return bad(active ? "a firmware name of 1 to 15 printable characters"
                              : "a firmware name of up to 15 printable characters");
        (active ? options.activeName : options.inactiveName) = text;
    } else if (name == u"--firmware-dir") {
        if (value.isEmpty())
            return bad("a folder name");
        options.directory = value.toStdString();
    } else if (name == u"--version-result") {
        if (!ParseCount(value, 5, number))
            return bad("a version result from 0 to 5");
        options.versionResult = std::uint16_t(number);
    } else if (name == u"--refuse-transfer-start") {
        options.refuseTransferStart = true;
    } else if (name == u"--checksum-failure") {
        options.checksumFailure = true;
    } else if (name == u"--break-at-block") {
        if (!ParseCount(value, 0xFFFF, number) || number == 0)
            return bad("a block number from 1 to 65535");
        options.breakAtBlock = std::uint32_t(number);
    } else if (name == u"--activation-result") {
        std::uint16_t code = 0;
        if (!ParseHexWord(value, code))
            return bad("a hexadecimal code from 0x0000 to 0xFFFF");
        options.activationResult = code;
    } else {
        return FirmwareOptionParse::NotMine;
    }
    return FirmwareOptionParse::Taken;
}

QString FirmwareHelpText()
{
    return QStringLiteral(
        "Firmware download and activation:\n"
        "  Each unit holds two firmware banks. It takes the download dialogue: the text\n"
        "  commands M:17,... on the null route, the master file and the image as TFTP\n"
        "  write requests and data blocks on the download routes (acknowledged by\n"
        "  block number; a block out of sequence gets TFTP error 4 and ends that file,\n"
        "  a repeated block is acknowledged again and not stored). After the last\n"
        "  image block it verifies the image (header size and CRC-16/XMODEM) and, when\n"
        "  it is good, puts the master file's image name into the inactive bank. The\n"
        "  bank names are read with 53 84 00 00; 53 77 n+1 NAME 00 activates the\n"
        "  inactive bank (result 0) and restarts the unit, like the reset 53 77 00 00.\n"
        "  Activation results: 0001 inactive bank empty, 0002 name is not the inactive\n"
        "  bank's. The banks are kept in the --state file. The version block 0x9004\n"
        "  names each bank's firmware: software version NAME, GPS software and FPGA\n"
        "  versions \"GPS <NAME without extension>\" and \"FPGA <...>\", empty for an\n"
        "  empty bank; so it follows a download and an activation.\n"
        "  --active-firmware NAME  the active bank (default %1)\n"
        "  --inactive-firmware NAME\n"
        "                          the inactive bank (default %2; empty: no firmware)\n"
        "  --firmware-dir DIR      write what arrives to DIR/unit-<Q1>-master.bin and\n"
        "                          DIR/unit-<Q1>-image.bin (the image also while it\n"
        "                          is partial)\n"
        "  --busy-version-check N  answer the version check busy N times first\n"
        "  --busy-status-query N   likewise the status query before the image\n"
        "  --busy-transfer-start N likewise the transfer start\n"
        "  --busy-final-status N   likewise the final status (all four counted afresh\n"
        "                          for every download)\n"
        "  --verification-polls N  status queries answered busy while verifying\n"
        "                          (default 2)\n"
        "  --version-result N      answer the version check with result N (0..5)\n"
        "  --refuse-transfer-start refuse the transfer start (status 1)\n"
        "  --checksum-failure      the verification refuses the image (status 1)\n"
        "  --break-at-block N      when image data block N first arrives, neither keep\n"
        "                          nor answer it and close the connection (once)\n"
        "  --activation-result HEX answer every activation with this result code\n"
        "                          (0: the unit's own answer)\n"
        "  The held image is resumed by the next transfer start at any offset up to\n"
        "  what it holds (a larger offset is refused, status 1); a master file naming\n"
        "  another image drops it. Parameter 0xD002 holds the multicast address 0x0083.\n")
        .arg(QLatin1String(kDefaultActiveFirmware), QLatin1String(kDefaultInactiveFirmware));
}

} // namespace sim
