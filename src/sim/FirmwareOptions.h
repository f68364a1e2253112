#pragma once
// How a simulated unit takes a firmware download and an activation: the names
// in its two banks, where it leaves the received files, and the faults the
// tests ask for.

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <string>

namespace sim {

inline constexpr const char* kDefaultActiveFirmware = "QOR0300.bin";
inline constexpr const char* kDefaultInactiveFirmware = "QOR0290.bin";

struct FirmwareOptions {
    std::string activeName = kDefaultActiveFirmware;
    std::string inactiveName = kDefaultInactiveFirmware; // may be empty: no firmware
    // Received master files and images go to DIR/<stem>-master.bin and
    // DIR/<stem>-image.bin; empty: kept in memory only.
    std::string directory;
    // The stem of those files; empty: "unit-<Q1>". Units that share a Q1
    // address behind one gateway (a fleet) need stems of their own.
    std::string fileStem;

    // Busy answers (status 2) before the real one, counted afresh for every
    // download started with the start command.
    std::uint32_t busyVersionCheck = 0;
    std::uint32_t busyStatusQuery = 0; // the query before the image
    std::uint32_t busyTransferStart = 0;
    std::uint32_t busyFinalStatus = 0;
    // Status queries answered "busy" while the unit verifies a received image.
    std::uint32_t verificationPolls = 2;

    std::optional<std::uint16_t> versionResult; // answer the version check with this
    bool refuseTransferStart = false;
    bool checksumFailure = false; // verification refuses whatever arrived
    // Data block with this number of the image breaks the connection, once in
    // the unit's life; 0: never.
    std::uint32_t breakAtBlock = 0;
    // Data block with this number of the image is answered with a TFTP error
    // (as by a unit whose flash fails), in every download; 0: never.
    std::uint32_t failAtBlock = 0;
    std::optional<std::uint16_t> activationResult; // answer every activation with this
};

// Whether `name` is a firmware option that takes no value.
[[nodiscard]] bool IsFirmwareFlag(const QString& name);

enum class FirmwareOptionParse { NotMine, Taken, Bad };

// Takes one firmware option. On Bad `error` holds a one-line reason.
[[nodiscard]] FirmwareOptionParse ParseFirmwareOption(const QString& name, const QString& value,
                                                      FirmwareOptions& options, QString& error);

// The --help section of these options.
[[nodiscard]] QString FirmwareHelpText();

} // namespace sim
