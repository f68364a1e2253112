// Firmware download throughput through the whole tool path: the download
// engine -> handler -> driver -> TCP link -> simulated unit and back.
//   qora-firmware-bench HOST:PORT MASTERFILE
// Prints "image blocks/s <rate>" for the image transfer (first to last
// acknowledged block), "total seconds <s>" for the whole dialogue, and the
// dialogue's time before and after the image transfer (the fixed waits and
// exchanges around it).

#include "link/AppHandler.h"
#include "link/CommHandler.h"
#include "platform/CallbackTarget.h"
#include "platform/MainWindow.h"
#include "platform/MessageIds.h"
#include "platform/UserPrompts.h"
#include "rks/RksComponents.h"
#include "software/download/MulticastDownload.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: qora-firmware-bench HOST:PORT MASTERFILE\n");
        return 2;
    }
    qputenv("QORA_RKS_GATEWAY", argv[1]);
    const QString master = QString::fromLocal8Bit(argv[2]);
    RegisterRksComponents();
    SetMessageBoxFunction([](const MessageBoxRequest&) { return MsgAnswer::Yes; });

    CCommHandler handler;
    handler.SetSilentConnect(true);
    SetAppCommHandler(&handler);
    CMulticastDownload engine;
    engine.SetTarget(SDownloadTarget{131, QStringLiteral("Local (131)")});

    QElapsedTimer total;
    QElapsedTimer image;
    int blocks = 0;
    qint64 lastBlockNs = 0;
    qint64 firstBlockAtNs = 0;
    CCallbackTarget dialog([&](unsigned message, MsgWParam wParam, MsgLParam) {
        if (message == WM_DOWNLOAD_PROGRESS) {
            if (blocks++ == 0) {
                image.start();
                firstBlockAtNs = total.nsecsElapsed();
            }
            lastBlockNs = image.nsecsElapsed();
        } else if (message == WM_DOWNLOAD_DONE) {
            if (wParam != 1) {
                std::fprintf(stderr, "download failed: %s\n", qPrintable(engine.GetErrorText()));
                QCoreApplication::exit(1);
                return;
            }
            const double seconds = lastBlockNs / 1e9;
            std::printf("image blocks %d\n", blocks);
            std::printf("image blocks/s %.0f\n", seconds > 0 ? (blocks - 1) / seconds : 0.0);
            const qint64 totalNs = total.nsecsElapsed();
            std::printf("total seconds %.3f\n", totalNs / 1e9);
            std::printf("before image seconds %.3f\n", firstBlockAtNs / 1e9);
            std::printf("after image seconds %.3f\n", (totalNs - firstBlockAtNs - lastBlockNs) / 1e9);
            QCoreApplication::exit(0);
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
    CCallbackTarget frame([&](unsigned message, MsgWParam wParam, MsgLParam) {
        if (message != WM_CONNECTION_EVENT)
            return;
        if (NoticeOf(wParam) == NOTICE_CONNECTED) {
            engine.AddWindow(&dialog);
            engine.Register();
            total.start();
            if (!engine.StartDownload(master)) {
                std::fprintf(stderr, "cannot start: %s\n", qPrintable(engine.GetErrorText()));
                QCoreApplication::exit(1);
            }
        } else if (NoticeOf(wParam) == NOTICE_CONNECT_FAILED) {
            std::fprintf(stderr, "cannot connect\n");
            QCoreApplication::exit(1);
        }
    });
    SetMainWindowTarget(&frame);
    handler.Connect(ConnectionRoute::Direct, "WP=SOCKET,HOST=192.168.255.120,PORT=7000,WP=NEQ1,ADDR=131");
    const int status = app.exec();
    handler.Disconnect();
    SetAppCommHandler(nullptr);
    SetMainWindowTarget(nullptr);
    return status;
}
