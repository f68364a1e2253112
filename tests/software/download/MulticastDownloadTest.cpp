// The download engine's start checks and its dialogue with a played unit.

#include "EngineFixture.h"

#include "software/download/DownloadAddress.h"
#include "software/download/DownloadTexts.h"
#include "support/PromptRecorder.h"

#include <QTimer>

using namespace dltest;

namespace {

const QString kOpenError = QStringLiteral("Error while opening the source file.\n\nCheck that the source file "
                                          "exists and is not used by another\nprocess, then try again.");
const QString kZeroLength = QStringLiteral("Source file length is zero.\n\nCheck that the source file is a valid "
                                           "QORA software image file\nand try again.");
const QString kReadError = QStringLiteral("Error encountered when reading data from the source file.");

QString UnitError(const char* code)
{
    return QStringLiteral("The target device encountered a non-recoverable error\n (Unknown message : (%1)).\n\n"
                          "Try again. If the problem persists, the target device may\nhave a hardware problem.")
        .arg(QLatin1String(code));
}

using DownloadEngineTest = EngineFixture;

TEST_F(DownloadEngineTest, RefusesFilesItCannotUse)
{
    struct Case {
        const char* what;
        QByteArray master;
        QByteArray image;
        QString text;
    };
    MasterLayout wrongMagic;
    wrongMagic.magic = "q1swdl11";
    MasterLayout recordPastEnd;
    recordPastEnd.record = 5000;
    recordPastEnd.length = 300;
    MasterLayout noSoftware;
    noSoftware.count = 0;
    MasterLayout otherImage;
    otherImage.imageName = "MISSING.IMG";
    const Case cases[] = {
        {"wrong magic", MasterBytes(wrongMagic), ImageBytes(2000), kOpenError},
        {"record past the end", MasterBytes(recordPastEnd), ImageBytes(2000), kOpenError},
        {"no software", MasterBytes(noSoftware), ImageBytes(2000), kOpenError},
        {"empty master", QByteArray(), ImageBytes(2000), kZeroLength},
        {"image missing", MasterBytes(otherImage), ImageBytes(2000), kOpenError},
        {"empty image", MasterBytes({}), QByteArray(), kZeroLength},
        {"image shorter than its header", MasterBytes({}), ImageBytes(2000).left(30), kOpenError},
        {"checksum mismatch", MasterBytes({}), ImageBytes(2000, false), kReadError},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFile("RELEASE.MFI", c.master);
        WriteFile("QORA.IMG", c.image);
        EXPECT_FALSE(engine->StartDownload(MasterPath()));
        EXPECT_EQ(engine->GetErrorText(), c.text);
        EXPECT_TRUE(Sent().empty());
        ExpectIdle();
    }
    EXPECT_FALSE(engine->StartDownload(dir.filePath("NONE.MFI")));
    EXPECT_EQ(engine->GetErrorText(), kOpenError);
}

TEST_F(DownloadEngineTest, AcceptsForwardSlashesAndRefusesASecondStart)
{
    const QString path = MasterPath();
    ASSERT_TRUE(path.contains(u'/'));
    ASSERT_TRUE(engine->StartDownload(path));
    EXPECT_TRUE(engine->IsMasterOpen());
    EXPECT_TRUE(engine->IsImageOpen());
    EXPECT_EQ(engine->GetImageFileName(), QStringLiteral("QORA.IMG"));
    EXPECT_FALSE(engine->StartDownload(path));
    EXPECT_EQ(engine->GetErrorText(),
              QStringLiteral("Internal error encountered.\n\nDownload is already in progress."));
    EXPECT_EQ(Sent(), std::vector<Bytes>{Text("M:17,2,1\r")});
    EXPECT_EQ(engine->GetState(), CMulticastDownload::kStartSent);
}

TEST_F(DownloadEngineTest, RemoteDownloadNeedsChannelNine)
{
    GoRemote("HOST=10.0.0.1,CH=3,ADDR=258");
    EXPECT_FALSE(engine->StartDownload(MasterPath()));
    EXPECT_EQ(engine->GetErrorText(), QStringLiteral("Select channel 9 for software download."));
    EXPECT_TRUE(Sent().empty());
    ExpectIdle();

    GoRemote("HOST=10.0.0.1,CH=9,ADDR=258");
    ReachImageTransfer(0, true);
}

TEST_F(DownloadEngineTest, ImageOfTwoFullBlocksEndsWithAnEmptyBlockThenTheStatusQuery)
{
    const QByteArray image = ImageBytes(1012);
    WriteFile("QORA.IMG", image);
    ReachImageTransfer();
    AckBlocks(image, 0, 1, 2);
    Reply(Ack(2));
    // The empty block, then the status query without waiting for its acknowledgement.
    EXPECT_FALSE(engine->IsImageOpen());
    PumpUntil([this] { return handler->SendQueueLength() >= 2; }, 3000);
    EXPECT_EQ(Sent(), (std::vector<Bytes>{DataBlock(kUnitAddress, 3, {}), Text("M:17,3,1")}));
    Reply(Ack(3)); // the late acknowledgement is no answer to the query
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(engine->GetState(), CMulticastDownload::kVerifying);

    Reply(StatusQueryReply(0, 1012));
    EXPECT_EQ(Sent(), std::vector<Bytes>{Text("M:17,2,4\r")});
    Reply(Echo("M:17,2,4\r"));
    EXPECT_EQ(Sent(), std::vector<Bytes>{Text("M:17,3,0\r")});
    Reply(FinalStatusReply(0));
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(NoticesOf(WM_DOWNLOAD_PROGRESS), (std::vector<MsgWParam>{0, 50, 100}));
    EXPECT_EQ(NoticesOf(WM_DOWNLOAD_DONE), std::vector<MsgWParam>{1});
    ExpectIdle();
}

TEST_F(DownloadEngineTest, ImageWithAShortLastBlockSendsNoEmptyBlock)
{
    const QByteArray image = ImageBytes(1100);
    WriteFile("QORA.IMG", image);
    ReachImageTransfer();
    AckBlocks(image, 0, 1, 3);
    Reply(Ack(3));
    EXPECT_EQ(Awaited(), std::vector<Bytes>{Text("M:17,3,1")});
}

TEST_F(DownloadEngineTest, WrongAcknowledgementsEndTheDownload)
{
    struct Case {
        const char* what;
        Bytes reply;
        const char* code;
    };
    const Case cases[] = {
        {"older block", Ack(0), "0002"},
        {"later block", Ack(2), "0002"},
        {"error opcode", Ack(1, 5), "0007"},
        {"packet cut short", {0x85, 0x11, 0x8C, 0x00, 0x04, 0x8B, 0x00, 0x04, 0x00}, "0002"},
        {"negative acknowledgement", {0x85, 0x11, 0xF0}, "0002"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        notices.received.clear();
        ASSERT_TRUE(engine->StartDownload(MasterPath()));
        Reply(Echo("M:17,2,1\r"));
        Reply(Ack(0));
        Sent();
        Reply(Echo("M:17,2,1\r")); // a text reply while blocks are acknowledged: ignored
        EXPECT_EQ(engine->GetState(), CMulticastDownload::kMasterTransfer);
        Reply(c.reply);
        EXPECT_TRUE(Sent().empty());
        EXPECT_EQ(NoticesOf(WM_DOWNLOAD_DONE), std::vector<MsgWParam>{0});
        EXPECT_EQ(engine->GetErrorText(), UnitError(c.code));
        ExpectIdle();
    }
}

TEST_F(DownloadEngineTest, OtherTrafficIsLeftAlone)
{
    ASSERT_TRUE(engine->StartDownload(MasterPath()));
    Sent();
    Reply({0x84, 0x07, 0x18, 0x01, 0x00, 0xC0, 0x02, 0x05, 0x00, 0x01}); // another group's reply
    Reply({0x85, 0x22, 0x97, 'x'});                                       // another function block
    Reply(Ack(0));                                                        // a block reply while text is awaited
    Lose(0x84070Bu);                                                      // another group's lost request
    EXPECT_EQ(engine->GetState(), CMulticastDownload::kStartSent);
    EXPECT_TRUE(NoticesOf(WM_DOWNLOAD_DONE).empty());
    Reply(Echo("M:17,2,2\r"));
    EXPECT_EQ(NoticesOf(WM_DOWNLOAD_DONE), std::vector<MsgWParam>{0});
    EXPECT_EQ(engine->GetErrorText(), UnitError("0002"));
}

TEST_F(DownloadEngineTest, VersionQuestionNoCancelsAndYesGoesOn)
{
    for (const std::uint16_t result : {1, 4}) {
        for (const MsgAnswer answer : {MsgAnswer::No, MsgAnswer::Yes}) {
            SCOPED_TRACE(testing::Message() << "result " << result << " answer " << int(answer));
            notices.received.clear();
            PromptRecorder prompts(answer);
            ASSERT_TRUE(engine->StartDownload(MasterPath()));
            Reply(Echo("M:17,2,1\r"));
            Reply(Ack(0));
            Sent();
            Reply(Ack(1));
            Awaited();
            Reply(VersionReply(result));
            ASSERT_EQ(prompts.shown.size(), 1u);
            EXPECT_EQ(prompts.shown[0].text,
                      result == 1 ? QStringLiteral("This software version already exists in QORA.\nDo you still wish "
                                                   "to download?")
                                  : QStringLiteral("New SW is older than both SW's in QORA.\nDo you still wish to "
                                                   "download?"));
            EXPECT_EQ(prompts.shown[0].buttons, MsgButtons::YesNo);
            if (answer == MsgAnswer::No) {
                EXPECT_TRUE(Sent().empty());
                EXPECT_EQ(NoticesOf(WM_DOWNLOAD_CANCELLED), std::vector<MsgWParam>{0});
                EXPECT_TRUE(NoticesOf(WM_DOWNLOAD_DONE).empty());
                ExpectIdle();
            } else {
                EXPECT_EQ(Sent(), std::vector<Bytes>{Text("M:17,3,1")});
                EXPECT_TRUE(engine->AbortDownload());
                Sent();
            }
        }
    }
}

TEST_F(DownloadEngineTest, BusyRepliesAreRetriedWithinTheirLimits)
{
    ASSERT_TRUE(engine->StartDownload(MasterPath()));
    Reply(Echo("M:17,2,1\r"));
    Reply(Ack(0));
    Sent();
    Reply(Ack(1));
    Awaited();
    Reply(VersionReply(2));
    EXPECT_EQ(Awaited(), std::vector<Bytes>{Text("M:17,2,2\r")});
    Reply(VersionReply(2));
    EXPECT_EQ(Awaited(), std::vector<Bytes>{Text("M:17,2,2\r")});
    Reply(VersionReply(2));
    EXPECT_EQ(NoticesOf(WM_DOWNLOAD_DONE), std::vector<MsgWParam>{0});
    EXPECT_EQ(engine->GetErrorText(), UnitError("0006"));
    ExpectIdle();

    // The count is not reset between the version check and the status query.
    notices.received.clear();
    Sent();
    counters.Reset();
    ASSERT_TRUE(engine->StartDownload(MasterPath()));
    Reply(Echo("M:17,2,1\r"));
    Reply(Ack(0));
    Sent();
    Reply(Ack(1));
    Awaited();
    Reply(VersionReply(2));
    Awaited();
    Reply(VersionReply(5));
    Sent();
    Reply(StatusQueryReply(2, 0));
    EXPECT_EQ(Awaited(), std::vector<Bytes>{Text("M:17,3,1")});
    Reply(StatusQueryReply(2, 0));
    EXPECT_EQ(NoticesOf(WM_DOWNLOAD_DONE), std::vector<MsgWParam>{0});
    EXPECT_EQ(engine->GetErrorText(), UnitError("000C"));
    ExpectIdle();
}

TEST_F(DownloadEngineTest, VerificationWaitsElevenTimesThenGivesUpWithTheEndCommand)
{
    const QByteArray image = ImageBytes(1100);
    WriteFile("QORA.IMG", image);
    ReachImageTransfer();
    AckBlocks(image, 0, 1, 3);
    Reply(Ack(3));
    Awaited();
    for (int i = 1; i <= 11; ++i) {
        Reply(StatusQueryReply(2, 0));
        ASSERT_EQ(Awaited(), std::vector<Bytes>{Text("M:17,3,1")}) << i;
        EXPECT_EQ(NoticesOf(WM_DOWNLOAD_VERIFYING).size(), static_cast<std::size_t>(i));
    }
    Reply(StatusQueryReply(2, 0));
    EXPECT_EQ(Sent(), std::vector<Bytes>{Text("M:17,2,4\r")});
    EXPECT_EQ(NoticesOf(WM_DOWNLOAD_DONE), std::vector<MsgWParam>{0});
    EXPECT_EQ(engine->GetErrorText(), UnitError("000C"));
    ExpectIdle();
}

TEST_F(DownloadEngineTest, RefusalsAndUnexpectedResults)
{
    struct Case {
        const char* what;
        Bytes reply;
        const char* code;
    };
    const Case cases[] = {
        {"transfer start refused", TransferStartReply(1), "0003"},
        {"transfer start unknown status", TransferStartReply(9), "0002"},
        {"transfer start reply too short", Echo("M:17,2,5"), "0002"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        notices.received.clear();
        ASSERT_TRUE(engine->StartDownload(MasterPath()));
        Reply(Echo("M:17,2,1\r"));
        Reply(Ack(0));
        Sent();
        Reply(Ack(1));
        Awaited();
        Reply(VersionReply(0));
        Reply(StatusQueryReply(0, 0));
        Sent();
        Reply(c.reply);
        EXPECT_TRUE(Sent().empty());
        EXPECT_EQ(NoticesOf(WM_DOWNLOAD_DONE), std::vector<MsgWParam>{0});
        EXPECT_EQ(engine->GetErrorText(), UnitError(c.code));
        ExpectIdle();
    }

    notices.received.clear();
    ASSERT_TRUE(engine->StartDownload(MasterPath()));
    Reply(Echo("M:17,2,1\r"));
    Reply(Ack(0));
    Sent();
    Reply(Ack(1));
    Awaited();
    Reply(VersionReply(3));
    EXPECT_EQ(engine->GetErrorText(), UnitError("0005"));

    // The final status: busy is retried, an unknown status is code 7.
    notices.received.clear();
    Sent();
    counters.Reset();
    const QByteArray image = ImageBytes(1100);
    WriteFile("QORA.IMG", image);
    ReachImageTransfer();
    AckBlocks(image, 0, 1, 3);
    Reply(Ack(3));
    Awaited();
    Reply(StatusQueryReply(1, 0));
    // Refused during verification: the unit is told to end.
    EXPECT_EQ(Sent(), std::vector<Bytes>{Text("M:17,2,4\r")});
    EXPECT_EQ(engine->GetErrorText(), UnitError("0003"));
}

TEST_F(DownloadEngineTest, FinalStatusBusyIsRetriedAndAnUnknownStatusFails)
{
    const QByteArray image = ImageBytes(1100);
    WriteFile("QORA.IMG", image);
    ReachImageTransfer();
    AckBlocks(image, 0, 1, 3);
    Reply(Ack(3));
    Awaited();
    Reply(StatusQueryReply(0, 1100));
    Reply(Echo("M:17,2,4\r"));
    EXPECT_EQ(Sent(), (std::vector<Bytes>{Text("M:17,2,4\r"), Text("M:17,3,0\r")}));
    Reply(FinalStatusReply(2));
    EXPECT_EQ(Awaited(), std::vector<Bytes>{Text("M:17,3,0\r")});
    Reply(FinalStatusReply(3));
    EXPECT_EQ(NoticesOf(WM_DOWNLOAD_DONE), std::vector<MsgWParam>{0});
    EXPECT_EQ(engine->GetErrorText(), UnitError("0007"));
    ExpectIdle();
}

TEST_F(DownloadEngineTest, WaitsLeaveTheEventLoopRunningAndAbortCancelsThePendingSend)
{
    SetTimerScale(0.2); // the 500 ms wait takes 100 ms
    ASSERT_TRUE(engine->StartDownload(MasterPath()));
    Reply(Echo("M:17,2,1\r"));
    Reply(Ack(0));
    Sent();
    Reply(Ack(1));
    EXPECT_TRUE(engine->IsWaiting());
    bool ran = false;
    QTimer::singleShot(0, [&ran] { ran = true; });
    PumpFor(20);
    EXPECT_TRUE(ran);
    EXPECT_TRUE(Sent().empty());

    EXPECT_TRUE(engine->AbortDownload());
    EXPECT_EQ(Sent(), std::vector<Bytes>{Text("M:17,2,4\r")});
    PumpFor(200);
    EXPECT_TRUE(Sent().empty());
    EXPECT_FALSE(engine->AbortDownload());
    ExpectIdle();
    EXPECT_TRUE(NoticesOf(WM_DOWNLOAD_DONE).empty());
}

TEST_F(DownloadEngineTest, BusyTransferStartWaitsTenSecondsWithoutLimit)
{
    ASSERT_TRUE(engine->StartDownload(MasterPath()));
    Reply(Echo("M:17,2,1\r"));
    Reply(Ack(0));
    Sent();
    Reply(Ack(1));
    Awaited();
    Reply(VersionReply(0));
    Reply(StatusQueryReply(0, 0));
    Sent();
    for (int i = 0; i < 4; ++i) {
        Reply(TransferStartReply(2));
        ASSERT_EQ(Awaited(), std::vector<Bytes>{TransferStart(kUnitAddress, false, "QORA_R2_1", 0)});
        EXPECT_EQ(counters.BusyRetries(), 1);
    }
    Reply(TransferStartReply(2));
    EXPECT_TRUE(engine->IsWaiting());
    engine.reset(); // destroyed during the wait: the unit is told to end, nothing follows
    EXPECT_EQ(Sent(), std::vector<Bytes>{Text("M:17,2,4\r")});
    PumpFor(150);
    EXPECT_TRUE(Sent().empty());
}

TEST_F(DownloadEngineTest, LostRequestOutsideTheImageTransferEndsAtOnce)
{
    ASSERT_TRUE(engine->StartDownload(MasterPath()));
    Sent();
    Lose(0x851195);
    EXPECT_EQ(NoticesOf(WM_DOWNLOAD_DONE), std::vector<MsgWParam>{0});
    EXPECT_EQ(engine->GetErrorText(),
              QStringLiteral("Problems encountered when sending data to the target\ndevice. No reply received to "
                             "following message:\nUnknown message : (000E).\n\nTry again and if the problem "
                             "persists, try to disconnect\nand reconnect to the target device."));
    ExpectIdle();
    Lose(0x851195); // idle: nothing more
    EXPECT_EQ(NoticesOf(WM_DOWNLOAD_DONE).size(), 1u);
}

TEST_F(DownloadEngineTest, ImageGoesToTheMulticastAddressTheUnitReports)
{
    auto d002 = [](std::uint8_t length) {
        return Bytes{0x84, 0x11, 0x18, 0x01, 0x00, 0xD0, 0x02, length, 0x00, 0x02, 0x40};
    };
    Reply(d002(5)); // length byte wrong: ignored
    EXPECT_EQ(engine->GetMulticastAddress(), kMulticast);
    Reply(d002(6));
    EXPECT_EQ(engine->GetMulticastAddress(), 0x0240);
    ASSERT_TRUE(engine->StartDownload(MasterPath()));
    Reply(Echo("M:17,2,1\r"));
    Reply(Ack(0));
    Sent();
    Reply(Ack(1));
    Awaited();
    Reply(VersionReply(0));
    Reply(StatusQueryReply(0, 0));
    Sent();
    Reply(TransferStartReply(0));
    EXPECT_EQ(Sent(), std::vector<Bytes>{WriteRequest(0x0240, "SWDownload0")});
}

TEST_F(DownloadEngineTest, ChecksumChunkSizeIsEvenFrom128To256)
{
    EXPECT_EQ(engine->GetChecksumChunkSize(), 228);
    for (const int refused : {0, 126, 127, 129, 255, 258, -128})
        EXPECT_FALSE(engine->SetChecksumChunkSize(refused)) << refused;
    EXPECT_EQ(engine->GetChecksumChunkSize(), 228);
    for (const int accepted : {128, 130, 256}) {
        EXPECT_TRUE(engine->SetChecksumChunkSize(accepted));
        EXPECT_EQ(engine->GetChecksumChunkSize(), accepted);
        // The checksum comes out the same whatever the chunk size.
        EXPECT_TRUE(engine->StartDownload(MasterPath())) << accepted;
        EXPECT_TRUE(engine->AbortDownload());
    }
}

TEST_F(DownloadEngineTest, UnitHoldingTheWholeImageBeforeTheTransferIsAnError)
{
    PromptRecorder prompts;
    ASSERT_TRUE(engine->StartDownload(MasterPath()));
    Reply(Echo("M:17,2,1\r"));
    Reply(Ack(0));
    Sent();
    Reply(Ack(1));
    Awaited();
    Reply(VersionReply(0));
    Sent();
    Reply(StatusQueryReply(1, 2000));
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, DownloadText::NonRecoverable());
    EXPECT_EQ(prompts.shown[0].icon, MsgIcon::Error);
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(engine->GetErrorText(), UnitError("0002"));
    ExpectIdle();
}

TEST(DownloadUnitAddress, TheNumberAfterAddrElseTheConfiguredAddress)
{
    struct Case {
        const char* connection;
        std::uint16_t named;
    };
    const Case cases[] = {
        {"HOST=10.0.0.1,ADDR=2051,CH=9", 0x0803},
        {"ADDR=2051", 0x0803},
        {"WP=SOCKET,HOST=h,PORT=7000,WP=NEQ1,ADDR=0", 0},
        {"ADDR= 77 ,CH=9", 77},
        {"ADDR=123456", 12345}, // five digits at most
        {"ADDR=65534", 0xFFFE},
        {"ADDR=65535", kNoBusAddress},
        {"ADDR=99999", kNoBusAddress},
        {"ADDR=,CH=9", kNoBusAddress},
        {"ADDR=20a1", kNoBusAddress},
        {"ADDR=-5", kNoBusAddress},
        {"HOST=10.0.0.1,CH=9", kNoBusAddress},
        {"", kNoBusAddress},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.connection);
        EXPECT_EQ(ConnectionBusAddress(c.connection), c.named);
        EXPECT_EQ(DownloadUnitAddress(true, c.connection, 131), c.named == kNoBusAddress ? 131 : c.named);
        // A local connection names the configured address, whatever its string holds.
        EXPECT_EQ(DownloadUnitAddress(false, c.connection, 131), 131);
    }
}

// The address is taken when each download starts: a remote connection's own
// ADDR, the configured one on a local connection, and after reconnecting to
// another unit the new one.
TEST_F(DownloadEngineTest, EachDownloadNamesTheUnitOfTheConnectionItStartsOn)
{
    const auto reachAndAbort = [this](bool remote, std::uint16_t unit) {
        ReachImageTransfer(0, remote, unit);
        EXPECT_EQ(engine->GetUnitAddress(), unit);
        ASSERT_TRUE(engine->AbortDownload());
        EXPECT_EQ(Sent(), std::vector<Bytes>{Text("M:17,2,4\r")});
    };
    GoRemote("HOST=10.0.0.1,CH=9,ADDR=2051");
    reachAndAbort(true, 0x0803);

    GoRemote("HOST=10.0.0.2,CH=9,ADDR=300");
    reachAndAbort(true, 300);
    GoRemote("HOST=10.0.0.3,CH=9");
    reachAndAbort(true, kUnitAddress);

    // Local again: the configured address, although the string says ADDR=1.
    Reconnect(ConnectionRoute::Direct, "WP=SOCKET,HOST=h,ADDR=1", "WP=SOCKET,HOST=h,ADDR=1");
    ASSERT_EQ(handler->GetConnectionType(), ConnectionType::Connected);
    engine->SetTarget({0x0203, QStringLiteral("Local (h)")});
    reachAndAbort(false, 0x0203);
}

} // namespace
