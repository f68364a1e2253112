// A commissioning through the built simulator over TCP: the bracket, the
// reset, and the reconnection at the new HOST and ADDR, which a restarted
// simulator still answers at.

#include "sim/CommissioningRequests.h"
#include "sim/SimProcess.h"

#include <QElapsedTimer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace simtest;

namespace {

constexpr const char* kNewConnection = "WP=SOCKET,HOST=10.20.30.40,PORT=7000,WP=NEQ1,ADDR=200";

class Session {
public:
    Session(quint16 port, std::string_view connection)
    {
        if (client_.Connect(port))
            openResult_ = client_.Exchange(OpenBody(seq_++, connection)).result;
    }
    [[nodiscard]] std::uint8_t OpenResult() const { return openResult_; }
    Reply Ask(const Bytes& request) { return client_.Exchange(TransferBody(seq_++, request)); }

private:
    CLinkClient client_;
    std::uint16_t seq_ = 1;
    std::uint8_t openResult_ = 0xEE;
};

} // namespace

TEST(SimCommissioningProcess, CommissionResetAndReconnectAtTheNewAddress)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString state = dir.filePath(QStringLiteral("state.json"));
    {
        CSimProcess sim({QStringLiteral("--state"), state, QStringLiteral("--reboot-ms"), QStringLiteral("200")});
        ASSERT_NE(sim.Port(), 0) << sim.FirstLine().toStdString();
        {
            Session tool(sim.Port(), kConnection);
            ASSERT_EQ(tool.OpenResult(), 0);
            EXPECT_EQ(tool.Ask(kOpenCommissioning).bytes, CommandReply(1, 0));
            EXPECT_EQ(tool.Ask(WriteOf(0x9001, Block())).bytes, WriteReply(0x9001, 0));
            EXPECT_EQ(tool.Ask(WriteOf(0x9002, kUserBlock)).bytes, WriteReply(0x9002, 0));
            EXPECT_EQ(tool.Ask(kCloseCommissioning).bytes, CommandReply(0, 0));
            EXPECT_EQ(tool.Ask(kResetRequest).bytes, (Bytes{0x54, 0x78, 0x00, 0x00, 0x00}));
            EXPECT_EQ(tool.Ask(ReadOf(0x9004)).result, 2) << "restarting";
        }

        EXPECT_EQ(Session(sim.Port(), kConnection).OpenResult(), 1) << "gone from the old address";
        Session tool(sim.Port(), kNewConnection);
        ASSERT_EQ(tool.OpenResult(), 0);
        // Answered again once the restart is over.
        QElapsedTimer waited;
        waited.start();
        Reply position;
        do {
            position = tool.Ask(ReadOf(0xC001));
        } while (position.result == 2 && waited.elapsed() < kWaitMs);
        ASSERT_EQ(position.result, 0);
        EXPECT_EQ(position.bytes,
                  (Bytes{0x54, 0x57, 0x01, 0x00, 0xC0, 0x01, 17, 0, 0x24, 0x0F, 0x91, 0x40, 0xFF, 0xD9, 0xDA, 0x60,
                         0x00, 0x00, 0x30, 0x39, 0x01}));
        EXPECT_EQ(sim.Terminate(), 0);
    }

    CSimProcess restarted({QStringLiteral("--state"), state});
    ASSERT_NE(restarted.Port(), 0);
    EXPECT_EQ(Session(restarted.Port(), kConnection).OpenResult(), 1);
    Session tool(restarted.Port(), kNewConnection);
    ASSERT_EQ(tool.OpenResult(), 0);
    EXPECT_EQ(tool.Ask(ReadOf(0xC003)).bytes, (Bytes{0x54, 0x57, 0x01, 0x00, 0xC0, 0x03, 8, 0, 0, 0, 0, 150}));
}
