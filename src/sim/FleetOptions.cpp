#include "sim/FleetOptions.h"

namespace sim {
namespace {

bool ParseNumber(const QString& text, std::uint32_t max, std::uint32_t& value)
{
    bool ok = false;
    const qulonglong parsed = text.trimmed().toULongLong(&ok, 10);
    if (!ok || parsed == 0 || parsed > max || text.trimmed().startsWith(u'+'))
        return false;
    value = std::uint32_t(parsed);
    return true;
}

// "3,7,12": unit numbers from 1.
bool ParseNumbers(const QString& text, std::set<std::uint32_t>& numbers)
{
    if (text.trimmed().isEmpty())
        return false;
    for (const QString& part : text.split(u',')) {
        std::uint32_t number = 0;
        if (!ParseNumber(part, kMaxFleetUnits, number))
            return false;
        numbers.insert(number);
    }
    return true;
}

} // namespace

UnitAddress FleetAddress(std::uint32_t number)
{
    const std::uint32_t index = number - 1;
    const std::uint32_t host = 1 + index % 254;      // 1..254
    const std::uint32_t third = (index / 254) % 256;
    const std::uint32_t second = index / (254 * 256);
    UnitAddress address;
    address.ip = QHostAddress((10u << 24) | (second << 16) | (third << 8) | host);
    address.q1Address = kFleetQ1Address;
    return address;
}

FleetOptionParse ParseFleetOption(const QString& name, const QString& value, FleetOptions& options,
                                  QString& error)
{
    const auto bad = [&](const char* expected) {
        error = QStringLiteral("%1: '%2' is not %3").arg(name, value, QLatin1String(expected));
        return FleetOptionParse::Bad;
    };
    std::set<std::uint32_t>* numbers = nullptr;
    if (name == u"--fleet") {
        if (!ParseNumber(value, kMaxFleetUnits, options.count))
            return bad("a number of units from 1 to 10000");
        return FleetOptionParse::Taken;
    }
    if (name == u"--fleet-silent")
        numbers = &options.silent;
    else if (name == u"--fleet-self-test-failure")
        numbers = &options.selfTestFailed;
    else if (name == u"--fleet-old-firmware")
        numbers = &options.oldFirmware;
    else if (name == u"--fleet-break-download")
        numbers = &options.breakDownload;
    else
        return FleetOptionParse::NotMine;
    if (!ParseNumbers(value, *numbers))
        return bad("a list of fleet unit numbers such as 1,5,9");
    return FleetOptionParse::Taken;
}

bool CheckFleetOptions(const FleetOptions& options, QString& error)
{
    for (const auto* numbers : {&options.silent, &options.selfTestFailed, &options.oldFirmware, &options.breakDownload}) {
        if (!numbers->empty() && *numbers->rbegin() > options.count) {
            error = QStringLiteral("fleet unit %1 does not exist (--fleet %2)")
                        .arg(*numbers->rbegin())
                        .arg(options.count);
            return false;
        }
    }
    return true;
}

bool AddFleet(CUnitRegistry& registry, const FleetOptions& options, const UnitBehaviour& base, QString& error)
{
    for (std::uint32_t number = 1; number <= options.count; ++number) {
        UnitBehaviour behaviour = base;
        behaviour.serial = QStringLiteral("QSIMF%1").arg(number, 5, 10, QLatin1Char('0')).toStdString();
        behaviour.silent = options.silent.contains(number);
        behaviour.selfTestFailure = behaviour.selfTestFailure || options.selfTestFailed.contains(number);
        if (options.oldFirmware.contains(number)) {
            behaviour.firmware.activeName = kOldActiveFirmware;
            behaviour.firmware.inactiveName = kOldInactiveFirmware;
        }
        // All fleet units share one Q1 address: their received files are named by the unit.
        behaviour.firmware.fileStem = "fleet-" + std::to_string(number);
        if (options.breakDownload.contains(number))
            behaviour.firmware.failAtBlock = kFleetBreakBlock;
        const UnitAddress address = FleetAddress(number);
        if (!registry.Add(address, DefaultCatalog(), behaviour)) {
            error = QStringLiteral("fleet unit %1 would take %2, which --unit gives already")
                        .arg(number)
                        .arg(QString::fromStdString(address.ToString()));
            return false;
        }
    }
    return true;
}

QString FleetHelpText()
{
    return QStringLiteral(
        "Fleet:\n"
        "  --fleet N               N more units (1 to 10000) at 10.0.0.1, 10.0.0.2, ...,\n"
        "                          serial numbers QSIMF00001, QSIMF00002, ...,\n"
        "                          all at Q1 address 131; reach them with\n"
        "                          QORA_RKS_GATEWAY naming this simulator\n"
        "  --fleet-silent LIST     these fleet units (numbers from 1, e.g. 2,7) answer\n"
        "                          nothing\n"
        "  --fleet-self-test-failure LIST\n"
        "                          these fleet units report a failed self-test\n"
        "  --fleet-old-firmware LIST\n"
        "                          these fleet units run QOR0290.bin (QOR0280.bin inactive)\n"
        "  --fleet-break-download LIST\n"
        "                          these fleet units break every download: image data\n"
        "                          block 2 gets TFTP error 3 (the unit's flash failed),\n"
        "                          which ends the download at once\n"
        "  Each fleet unit keeps its own firmware banks; with --firmware-dir its files\n"
        "  are fleet-<N>-master.bin and fleet-<N>-image.bin.\n");
}

} // namespace sim
