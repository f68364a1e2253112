// A unit whose parameter read replies come back cut short: the read fails
// like a refused one, the log file names the group and the reply, and the
// connection stays for what still works.

#include "faults/FaultRig.h"

#include "platform/LogFile.h"

namespace faults {
namespace {

class MalformedReplyFaults : public FaultRig {
protected:
    void TearDown() override
    {
        StopLogFile();
        FaultRig::TearDown();
    }
};

TEST_F(MalformedReplyFaults, AReadReplyCutShortFailsTheReadAndIsLogged)
{
    const QString log = folder.filePath(QStringLiteral("qora.log"));
    ASSERT_EQ(StartLogFile(log), std::nullopt);
    StartUnit({QStringLiteral("--short-reply-opcode"), QStringLiteral("0x54")});
    StartProgram();
    ASSERT_TRUE(ConnectLocally());
    ASSERT_TRUE(EnterCommissionMode());
    EXPECT_FALSE(ReadVersion());
    StopLogFile();
    EXPECT_EQ(Messages(), QStringList{LoadResString(StringId::ReadingProblem)});
    EXPECT_EQ(OpenDialogs(), QStringList{});
    EXPECT_EQ(State(), ConnectionState::Commission);
    EXPECT_TRUE(FileBytes(log).contains(
        " warning qora.data: CVersionData: malformed read reply 84 09 18: 3 bytes, length byte 0\n"));
}

} // namespace
} // namespace faults
