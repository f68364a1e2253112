#pragma once
// "qora-cli download MASTERFILE [--chunk N] [--yes|--no] [--json-progress]": puts the unit in
// commission mode and loads the firmware the master file names, as the
// download dialog does: progress on standard error, the version question
// answered by --yes or --no (no by default), "verifying..." while the unit
// checks the image.

#include "cli/CliOutput.h"

#include <QString>

#include <optional>
#include <string>
#include <vector>

struct SDownloadOptions {
    QString masterPath;
    std::optional<int> chunkSize; // the checksum chunk; the settings' when not given
    bool yes = false;             // the answer to the version question
    bool jsonProgress = false;    // progress as JSON lines on standard output (for the fleet rollout)
};

// The options, or nothing with the reason in `error`.
[[nodiscard]] std::optional<SDownloadOptions> ParseDownloadArguments(const std::vector<std::string>& arguments,
                                                                     std::string& error);

// The Q1 address the transfer start names: the connection's ADDR when it is a
// number up to 65535, else the configured one.
[[nodiscard]] std::uint16_t DownloadUnitAddress(const QString& connection, std::uint32_t configuredAddress);

// Returns the exit status: 0 downloaded, 1 the master file cannot be opened
// (said before connecting) or the download failed (the engine's error text on
// one line), 2 no connection, 3 declined at the version
// question or interrupted (SIGINT, SIGTERM: a download under way is ended
// with the end command first), 64 bad arguments. Needs a Qt application object.
int RunDownloadCommand(const std::string& connection, const std::vector<std::string>& arguments,
                       const SCliOutput& output = SCliOutput::Standard());
