#pragma once
// The program's command line: what the application object takes from it at
// start. Widget-free.
//
//   REGSERVER, UNREGSERVER   end at once (an installer's call; nothing to register)
//   SW                       start-up switch: local connection, then commissioning
//   SCF=PATH                 work order file for that commissioning
//   SNR=N                    unit number in the work order (N >= 0)
//   sobriquet NAME           remote unit: connect to it through the network browser
//   --log FILE, --log=FILE   append the program's log to FILE
//   WORKORDER                any other argument not beginning with '-': a work
//                            order to open at start, as "Open Work Order" does
//                            (a file manager's double click gives its path)
//
// Each switch may begin with '-' or '/', and is matched in any letter case.

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

struct CommandLineOptions {
    bool endAtOnce = false;          // REGSERVER or UNREGSERVER was given
    bool showSplash = true;          // false when started by another program (Embedding, Automation)
    std::int32_t startupSwitch = 0;  // 1 after "SW"
    QString workOrderPath;           // from "SCF="
    std::int32_t unitNumber = -1;    // from "SNR="; -1: none given
    QString remoteUnitName;          // the argument after "sobriquet"
    std::optional<QString> logFilePath; // from "--log FILE"; empty when no file followed
    QString workOrderToOpen;         // the last argument that is no switch

    // Copies the work order path and unit number out and returns the start-up
    // switch (what the main frame asks when it carries out the start-up request).
    std::int32_t GetStartupRequest(QString& path, std::int32_t& number) const
    {
        path = workOrderPath;
        number = unitNumber;
        return startupSwitch;
    }
};

// Reads the arguments that follow the program name, in order. One argument
// may match several switches; of those that match none, the last that does
// not begin with '-' is the work order to open, the others are ignored.
[[nodiscard]] CommandLineOptions ParseCommandLine(const QStringList& arguments);

// Whether a remote unit name from the command line starts a remote connection
// at once: it does unless the name reads as a non-zero decimal number.
[[nodiscard]] bool RemoteNameStartsConnection(const QString& remoteUnitName);
