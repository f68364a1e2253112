// How long the UI thread's event loop is blocked, through the whole tool path
// to the simulated unit: during a firmware download (StartDownload's file
// checks and checksum included) and during refreshes of the three status
// windows.
//   qora-ui-gap-bench [--traffic-window] HOST:PORT MASTERFILE [STATUS_ROUNDS]
// --traffic-window keeps the "Unit Traffic" window open over the run's traffic
// all along, following every exchange as the tool does.
// Prints one line per phase (download; status_show: the windows shown and
// their first answers; status: the refreshes after it): "<phase> max_ms <m> p99_ms <p> median_ms <d> ticks <n>"
// and "startdownload_ms <ms>" for the synchronous StartDownload call alone;
// with the window, "traffic_window exchanges <n> rows <r>" at the end.

#include "EventLoopProbe.h"

#include "link/AppHandler.h"
#include "link/CommHandler.h"
#include "link/DeviceMessageNotice.h"
#include "platform/CallbackTarget.h"
#include "platform/MainWindow.h"
#include "platform/MessageIds.h"
#include "platform/UserPrompts.h"
#include "rks/RksComponents.h"
#include "software/download/MulticastDownload.h"
#include "status/StatusPoller.h"
#include "status/constellation/ConstellationStatistics.h"
#include "status/gps/GPSStatus.h"
#include "status/install/InstallStatus.h"
#include "traffic/TrafficSession.h"
#include "traffic/TrafficTableModel.h"
#include "traffic/widgets/TrafficWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMdiArea>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>

namespace {

constexpr int kRoundPauseMs = 10;

struct BenchFrame : IStatusFrame {
    bool ResetPending() const override { return false; }
    bool CommissioningRunning() const override { return false; }
    bool DownloadDialogOpen() const override { return false; }
    void SetLinkWatchdog(int) override {}
};

void Print(const char* phase, const CEventLoopProbe::Figures& f)
{
    std::printf("%s max_ms %.2f p99_ms %.2f median_ms %.2f ticks %zu\n", phase, f.maxMs, f.p99Ms, f.medianMs,
                f.ticks);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    const bool trafficWindow = argc > 1 && std::strcmp(argv[1], "--traffic-window") == 0;
    if (trafficWindow) {
        argv[1] = argv[0];
        ++argv;
        --argc;
    }
    if (argc < 3 || argc > 4) {
        std::fprintf(stderr, "usage: qora-ui-gap-bench [--traffic-window] HOST:PORT MASTERFILE [STATUS_ROUNDS]\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Window placements and settings go to a folder of our own, not the user's.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QApplication app(argc, argv);
    qputenv("QORA_RKS_GATEWAY", argv[1]);
    const QString master = QString::fromLocal8Bit(argv[2]);
    const int rounds = argc == 4 ? std::atoi(argv[3]) : 300;
    RegisterRksComponents();
    SetMessageBoxFunction([](const MessageBoxRequest&) { return MsgAnswer::Yes; });

    // The observer goes in before the connection opens, as the tool does it.
    CTrafficSession traffic;
    std::unique_ptr<QMdiArea> area;
    if (trafficWindow) {
        SetLinkObserver(traffic.Observer());
        area = std::make_unique<QMdiArea>();
        area->resize(1024, 720);
        area->show();
        CTrafficWindow::OpenLive(*area, traffic.Ring())->parentWidget()->showMaximized();
    }

    CCommHandler handler;
    handler.SetSilentConnect(true);
    SetAppCommHandler(&handler);
    CMulticastDownload engine;
    engine.SetTarget(SDownloadTarget{131, QStringLiteral("Local (131)")});
    CEventLoopProbe probe;

    BenchFrame statusFrame;
    std::unique_ptr<CGPSStatus> gps;
    std::unique_ptr<CInstallStatus> install;
    std::unique_ptr<CConstellationStatistics> constellation;
    int answers = 0;
    int round = 0;
    std::function<void()> nextRound;
    // Counts the unit's answers to one round of the three windows' requests;
    // the third starts the next round.
    CCallbackTarget listener([&](unsigned message, MsgWParam wParam, MsgLParam lParam) {
        if (message != WM_DEVICE_MESSAGE)
            return;
        if (wParam == 1)
            TakeDeviceMessage(lParam).reset(); // a listener owns its copy
        else
            std::fprintf(stderr, "a status request failed\n");
        // Rounds follow each other closely, so that the probe sees many of them.
        if (++answers == 3)
            QTimer::singleShot(kRoundPauseMs, [&] { nextRound(); });
    });

    nextRound = [&] {
        // The first round includes showing the windows (creation, layout,
        // first paint); later rounds are refreshes alone.
        if (round == 1) {
            Print("status_show", probe.End());
            probe.Begin();
        }
        if (round++ == rounds) {
            Print("status", probe.End());
            QCoreApplication::exit(0);
            return;
        }
        answers = 0;
        gps->RequestStatus();
        install->RequestStatus();
        constellation->View().RequestStatus();
    };
    const auto startStatus = [&] {
        gps = std::make_unique<CGPSStatus>(statusFrame);
        install = std::make_unique<CInstallStatus>(statusFrame, [] { return QStringLiteral("131"); });
        constellation = std::make_unique<CConstellationStatistics>(statusFrame);
        handler.AddListener(&listener);
        gps->StartRefresh();
        install->StartRefresh();
        constellation->StartRefresh();
        answers = 0;
        round = 1;
        probe.Begin();
        gps->ShowAndRequest();
        install->ShowAndRequest();
        constellation->ShowAndRequest();
    };

    CCallbackTarget dialog([&](unsigned message, MsgWParam wParam, MsgLParam) {
        if (message == WM_DOWNLOAD_DONE) {
            Print("download", probe.End());
            if (wParam != 1) {
                std::fprintf(stderr, "download failed: %s\n", qPrintable(engine.GetErrorText()));
                QCoreApplication::exit(1);
                return;
            }
            QTimer::singleShot(100, startStatus);
        } else if (message == WM_DOWNLOAD_CANCELLED) {
            std::fprintf(stderr, "download cancelled\n");
            QCoreApplication::exit(1);
        }
    });
    // A large image is checked after StartDownload returned.
    QObject::connect(&engine, &CMulticastDownload::StartFailed, [&] {
        std::fprintf(stderr, "cannot start: %s\n", qPrintable(engine.GetErrorText()));
        QCoreApplication::exit(1);
    });
    const auto startDownload = [&] {
        engine.AddWindow(&dialog);
        engine.Register();
        probe.Begin();
        // Let the probe tick before the synchronous start checks run.
        QTimer::singleShot(20, [&] {
            QElapsedTimer clock;
            clock.start();
            const bool started = engine.StartDownload(master);
            std::printf("startdownload_ms %.2f\n", clock.nsecsElapsed() / 1e6);
            if (!started) {
                std::fprintf(stderr, "cannot start: %s\n", qPrintable(engine.GetErrorText()));
                QCoreApplication::exit(1);
            }
        });
    };
    CCallbackTarget frame([&](unsigned message, MsgWParam wParam, MsgLParam) {
        if (message != WM_CONNECTION_EVENT)
            return;
        if (NoticeOf(wParam) == NOTICE_CONNECTED) {
            handler.EnterCommissionMode();
        } else if (NoticeOf(wParam) == NOTICE_COMMISSION_MODE) {
            startDownload();
        } else if (NoticeOf(wParam) == NOTICE_CONNECT_FAILED) {
            std::fprintf(stderr, "cannot connect\n");
            QCoreApplication::exit(1);
        }
    });
    SetMainWindowTarget(&frame);
    handler.Connect(ConnectionRoute::Direct, "WP=SOCKET,HOST=192.168.255.120,PORT=7000,WP=NEQ1,ADDR=131");
    const int status = app.exec();
    if (gps) {
        gps->StopRefresh();
        install->StopRefresh();
        constellation->StopRefresh();
    }
    handler.RemoveListener(&listener);
    handler.Disconnect();
    SetAppCommHandler(nullptr);
    SetMainWindowTarget(nullptr);
    if (trafficWindow) {
        if (auto* window = area->findChild<CTrafficWindow*>()) {
            window->Model().CatchUp();
            std::printf("traffic_window exchanges %zu rows %d\n", window->Model().ExchangeCount(),
                        window->Model().rowCount());
        }
        area.reset();
        SetLinkObserver(nullptr);
    }
    return status;
}
