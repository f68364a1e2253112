#include "sim/Simulator.h"

#include "platform/InterruptWatcher.h"
#include "sim/GatewayDispatcher.h"
#include "sim/GatewayServer.h"
#include "sim/NodeDirectoryWriter.h"
#include "sim/ReplayRecording.h"
#include "sim/SimOptions.h"
#include "sim/StateFile.h"
#include "sim/TraceWriter.h"
#include "sim/UnitRegistry.h"
#include "version/ProgramVersion.h"

#include <QCoreApplication>

#include <cstdio>
#include <memory>

namespace sim {
namespace {

void Complain(const QString& text)
{
    std::fprintf(stderr, "qora-unit-sim: %s\n", qPrintable(text));
}

QString Endpoint(const QHostAddress& address, std::uint16_t port)
{
    const QString host = address.protocol() == QAbstractSocket::IPv6Protocol
        ? QStringLiteral("[%1]").arg(address.toString())
        : address.toString();
    return QStringLiteral("%1:%2").arg(host).arg(port);
}

} // namespace

int RunSimulator(int argc, char** argv)
{
    // Qt's own event dispatcher wakes up with one poll per request; the GLib
    // one adds an eventfd write and read to every exchange, which a lock-step
    // client feels. Nothing here needs GLib.
    if (!qEnvironmentVariableIsSet("QT_NO_GLIB"))
        qputenv("QT_NO_GLIB", "1");
    QCoreApplication app(argc, argv);

    SimOptions options;
    QString error;
    if (!ParseOptions(app.arguments().mid(1), options, error)) {
        Complain(error);
        return 2;
    }
    if (options.help) {
        std::fputs(qPrintable(HelpText()), stdout);
        return 0;
    }
    if (options.version) {
        std::fputs(VersionText("qora-unit-sim").c_str(), stdout);
        return 0;
    }

    CUnitRegistry registry;
    for (const UnitAddress& address : options.units)
        registry.Add(address, DefaultCatalog(), options.behaviour);
    if (!AddFleet(registry, options.fleet, options.behaviour, error)) {
        Complain(error);
        return 2;
    }

    std::unique_ptr<CStateFile> state;
    if (!options.statePath.isEmpty()) {
        state = std::make_unique<CStateFile>(options.statePath);
        if (state->Load(registry, error) == CStateFile::LoadResult::Bad)
            Complain(error);
    }

    std::unique_ptr<CTraceWriter> trace;
    if (!options.tracePath.isEmpty()) {
        trace = std::make_unique<CTraceWriter>();
        if (!trace->Open(options.tracePath, error)) {
            Complain(error);
            return 1;
        }
    }

    CReplayRecording recording;
    if (!options.replayPath.isEmpty() && !recording.Load(options.replayPath, error)) {
        Complain(error);
        return 1;
    }

    CGatewayDispatcher dispatcher(registry, options.faults, trace.get(), state.get());
    if (!options.replayPath.isEmpty())
        dispatcher.AnswerFrom(&recording);
    CGatewayServer server(dispatcher, options.faults.delayMs);
    if (!server.Listen(options.listenAddress, options.listenPort, error)) {
        Complain(error);
        return 1;
    }
    registry.SetOwnAddress(OwnAddress(server.serverAddress()));
    if (!options.directoryPath.isEmpty()) {
        // Before the first line, so whoever waits for that line finds the file.
        const QString site = Endpoint(server.serverAddress(), server.serverPort());
        const QByteArray directory =
            NodeDirectoryJson(registry, OwnAddress(server.serverAddress()), server.serverPort(), site);
        if (!WriteFileWhole(options.directoryPath, directory, error)) {
            Complain(error);
            return 1;
        }
    }
    // SIGINT and SIGTERM end the loop, so the state below is saved.
    CInterruptWatcher interrupts;
    QObject::connect(&interrupts, &CInterruptWatcher::Interrupted, &app, &QCoreApplication::quit);

    std::printf("listening on %s\n", qPrintable(Endpoint(server.serverAddress(), server.serverPort())));
    std::fflush(stdout);

    app.exec();

    dispatcher.SaveIfDirty();
    return 0;
}

} // namespace sim
