// qora-exporter: the QORA units of the node directory for Prometheus. Each
// scrape of /probe?target=NODE reads that unit; nothing is read on a timer.

#include "exporter/ExporterLog.h"
#include "exporter/ExporterOptions.h"
#include "exporter/ExporterServer.h"
#include "exporter/LinkUnitReader.h"
#include "exporter/TargetDirectory.h"
#include "exporter/WebConfig.h"
#include "rks/RksComponents.h"
#include "rks/RksNodeDirectory.h"
#include "version/ProgramVersion.h"

#include <csignal>
#include <cstdio>
#include <thread>

namespace {

int Fail(const std::string& reason, int status = 1)
{
    std::fprintf(stderr, "qora-exporter: %s\n", reason.c_str());
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    std::string error;
    const auto options = ParseExporterOptions(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!options)
        return Fail(error, 2);
    if (options->help) {
        std::fputs(ExporterHelpText().c_str(), stdout);
        return 0;
    }
    if (options->version) {
        std::fputs(VersionText("qora-exporter").c_str(), stdout);
        return 0;
    }

    SWebConfig web;
    if (!options->webConfigFile.empty()) {
        const auto loaded = LoadWebConfig(options->webConfigFile, error);
        if (!loaded)
            return Fail("web configuration " + options->webConfigFile + ": " + error);
        web = *loaded;
    }
    const QString path =
        options->directory.empty() ? RksConfiguredDirectory() : QString::fromLocal8Bit(options->directory.c_str());
    if (path.isEmpty())
        return Fail("no node directory (give --directory FILE, or set QORA_RKS_DIRECTORY)");
    CTargetDirectory targets(path);
    QString why;
    if (!targets.Load(why))
        return Fail("node directory " + path.toStdString() + ": " + why.toStdString());

    // SIGINT and SIGTERM are taken by one thread below, never by the others.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    RegisterRksComponents();
    CLinkUnitReader reader;
    CExporterServer server(*options, web, targets, reader);
    if (!server.Bind(error))
        return Fail(error);
    std::printf("listening on %s:%d\n", options->listenHost.c_str(), server.Port());
    std::fflush(stdout);
    qCInfo(lcExporter, "listening on %s:%d (%s), %zu nodes in %s", options->listenHost.c_str(), server.Port(),
           web.certFile.empty() ? "http" : "https", targets.Count(), qPrintable(path));

    std::thread stopper([&] {
        int signal = 0;
        sigwait(&stopSignals, &signal);
        if (signal != 0)
            server.Stop();
    });
    const bool served = server.Run();
    // Stopped otherwise than by a signal: wake the signal thread with one.
    pthread_kill(stopper.native_handle(), SIGTERM);
    stopper.join();
    return served ? 0 : 1;
}
