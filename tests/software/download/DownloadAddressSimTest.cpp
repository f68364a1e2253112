// The unit address of a download through the real link to the simulated unit:
// what the transfer start carries, read from the unit's trace, for a remote
// connection, a second remote connection to another unit, and a local one.

#include "link/AppHandler.h"
#include "link/CommHandler.h"
#include "platform/MainWindow.h"
#include "platform/MessageIds.h"
#include "platform/TimerScale.h"
#include "rks/RksComponents.h"
#include "software/download/MulticastDownload.h"
#include "support/EventLoop.h"
#include "support/MessageRecorder.h"
#include "support/PromptRecorder.h"
#include "support/SampleFirmware.h"
#include "support/SimProcess.h"
#include "support/SimTrace.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class DownloadAddressOverTheLink : public testing::Test {
protected:
    void SetUp() override
    {
        RegisterRksComponents();
        SetMainWindowTarget(&frame);
        SetTimerScale(0.01);
        CDownloadCounters::Program().Reset();
        ASSERT_TRUE(folder.isValid());
    }
    void TearDown() override
    {
        engine.reset();
        if (handler)
            handler->CloseConnection();
        handler.reset();
        SetAppCommHandler(nullptr);
        SetMainWindowTarget(nullptr);
        SetTimerScale(1.0);
        qunsetenv("QORA_RKS_GATEWAY");
    }
    void Connect(ConnectionRoute route, const char* connection)
    {
        if (handler)
            handler->CloseConnection();
        handler.reset();
        frame.received.clear();
        handler = std::make_unique<CCommHandler>();
        handler->SetSilentConnect(true);
        SetAppCommHandler(handler.get());
        handler->Connect(route, connection);
        ASSERT_TRUE(PumpUntil([&] { return frame.HasNotice(NOTICE_CONNECTED); }, 10000));
    }
    // One whole download with the engine kept from before; true on success.
    bool Download(const SampleFirmware& firmware)
    {
        dialog.received.clear();
        engine->Register();
        if (!engine->StartDownload(firmware.masterPath))
            return false;
        int outcome = -1;
        PumpUntil([&] {
            for (const RecordedMessage& m : dialog.received)
                if (m.message == WM_DOWNLOAD_DONE)
                    outcome = static_cast<int>(m.wParam);
            return outcome >= 0;
        }, 30000);
        engine->Unregister();
        return outcome == 1;
    }
    // The unit address and the connection kind byte of each transfer start
    // the unit received, as hex: body bytes 12-13 and 15.
    std::vector<std::pair<QByteArray, QByteArray>> TransferStarts() const
    {
        std::vector<std::pair<QByteArray, QByteArray>> starts;
        for (const QByteArray& request : TracedRequests(folder.filePath(QStringLiteral("trace.jsonl"))))
            if (request.startsWith(QByteArray("M:17,2,5").toHex() + "00"))
                starts.emplace_back(request.mid(24, 4), request.mid(30, 2));
        return starts;
    }

    QTemporaryDir folder;
    MessageRecorder frame, dialog;
    PromptRecorder prompts{MsgAnswer::Yes}; // "already exists in QORA": download again
    std::unique_ptr<CCommHandler> handler;
    std::unique_ptr<CMulticastDownload> engine;
};

TEST_F(DownloadAddressOverTheLink, EachDownloadNamesTheUnitItsConnectionReaches)
{
    SimProcess sim({QStringLiteral("--unit"), QStringLiteral("192.168.255.120:2051"), QStringLiteral("--unit"),
                    QStringLiteral("192.168.255.121:300"), QStringLiteral("--verification-polls"),
                    QStringLiteral("1"), QStringLiteral("--trace"), folder.filePath(QStringLiteral("trace.jsonl"))});
    ASSERT_TRUE(sim.Running());
    qputenv("QORA_RKS_GATEWAY", QStringLiteral("127.0.0.1:%1").arg(sim.Port()).toLatin1());
    const SampleFirmware firmware =
        MakeSampleFirmware(folder.path(), QStringLiteral("QOR0310.bin"), QStringLiteral("QOR0310"), 3 * 506 + 10);
    ASSERT_TRUE(firmware.Valid());
    engine = std::make_unique<CMulticastDownload>();
    engine->SetTarget(SDownloadTarget{131, QStringLiteral("Remote")});
    engine->AddWindow(&dialog);

    Connect(ConnectionRoute::Browsed, "WP=SOCKET,HOST=192.168.255.120,PORT=7000,WP=NEQ1,ADDR=2051");
    ASSERT_TRUE(Download(firmware)) << engine->GetErrorText().toStdString();
    // Another unit, the same engine and target: the new connection's address.
    Connect(ConnectionRoute::Browsed, "WP=SOCKET,HOST=192.168.255.121,PORT=7000,WP=NEQ1,ADDR=300");
    ASSERT_TRUE(Download(firmware)) << engine->GetErrorText().toStdString();
    // A local connection: the configured address.
    Connect(ConnectionRoute::Direct, "WP=SOCKET,HOST=192.168.255.120,PORT=7000,WP=NEQ1,ADDR=2051");
    engine->SetTarget(SDownloadTarget{0x0203, QStringLiteral("Local (192.168.255.120)")});
    ASSERT_TRUE(Download(firmware)) << engine->GetErrorText().toStdString();

    using Start = std::pair<QByteArray, QByteArray>;
    EXPECT_EQ(TransferStarts(), (std::vector<Start>{{"0803", "52"}, {"012c", "52"}, {"0203", "49"}}));
}

} // namespace
