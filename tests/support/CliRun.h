#pragma once
// Runs the command-line companion as a separate process for a test.
// Header-only: the program's path comes from the test executable's definitions.

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

struct CliRun {
    int status = -1; // -1: did not finish in time; -2: crashed
    QString out, err;
};

// Extra environment variables are set on top of the test's own.
inline CliRun RunCli(const QStringList& arguments, const std::vector<std::pair<QString, QString>>& environment = {})
{
    QProcess cli;
    auto env = QProcessEnvironment::systemEnvironment();
    for (const auto& [name, value] : environment)
        env.insert(name, value);
    cli.setProcessEnvironment(env);
    cli.start(QStringLiteral(QORA_CLI_PATH), arguments);
    CliRun run;
    if (!cli.waitForFinished(20000)) {
        cli.kill();
        cli.waitForFinished();
        return run;
    }
    run.status = cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -2;
    run.out = QString::fromLocal8Bit(cli.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(cli.readAllStandardError());
    return run;
}
