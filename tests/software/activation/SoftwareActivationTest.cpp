// The activation group against a played unit: its requests, how it reads the
// unit's replies (short and malformed ones included) and what it reports.

#include "ActivationFixture.h"

#include "software/activation/SoftwareActivation.h"

using namespace activationtest;

namespace {

class ActivationTest : public ActivationFixture {
protected:
    void SetUp() override
    {
        ActivationFixture::SetUp();
        group.AddWindow(&notices);
        group.Register();
    }
    void TearDown() override
    {
        group.Unregister();
        ActivationFixture::TearDown();
    }

    // The notices the group posted: (message, wParam), oldest first.
    std::vector<std::pair<unsigned, MsgWParam>> Notices()
    {
        std::vector<std::pair<unsigned, MsgWParam>> list;
        for (const RecordedMessage& m : notices.received) {
            EXPECT_EQ(m.lParam, reinterpret_cast<MsgLParam>(&group));
            list.emplace_back(m.message, m.wParam);
        }
        notices.received.clear();
        return list;
    }
    using NoticeList = std::vector<std::pair<unsigned, MsgWParam>>;

    void ReadNames(const Bytes& reply)
    {
        ASSERT_TRUE(group.Read());
        ASSERT_EQ(Sent(), std::vector<Bytes>{kReadNamesRequest});
        Reply(reply);
    }

    CSoftwareActivation group;
    MessageRecorder notices;
};

TEST_F(ActivationTest, ReadStoresBothNamesOnceAndRefusesToActivateMeanwhile)
{
    ASSERT_TRUE(group.Read());
    EXPECT_EQ(group.GetOperationState(), 1);
    EXPECT_EQ(group.GetErrorText(), QString::fromLatin1(kReadingProblem));
    // A read already running sends nothing more; an activation is refused.
    EXPECT_TRUE(group.Read());
    EXPECT_FALSE(group.Activate("B2.bin"));
    EXPECT_EQ(Sent(), std::vector<Bytes>{kReadNamesRequest});

    // An activate reply is not what a read waits for.
    Reply(ActivateReply(0));
    EXPECT_TRUE(Notices().empty());

    Reply(NamesReply(0, "A1.bin", 0, "B2.bin"));
    EXPECT_EQ(Notices(), (NoticeList{{WM_ACTIVATION_READ_DONE, 1}}));
    EXPECT_EQ(group.GetActiveName(), QByteArray("A1.bin"));
    EXPECT_EQ(group.GetInactiveName(), QByteArray("B2.bin"));
    EXPECT_EQ(group.GetOperationState(), 0);

    // A second names reply in the idle state changes nothing.
    Reply(NamesReply(0, "X.bin", 0, "Y.bin"));
    EXPECT_TRUE(Notices().empty());
    EXPECT_EQ(group.GetActiveName(), QByteArray("A1.bin"));
}

TEST_F(ActivationTest, NameStatesEmptyOrKeepTheNames)
{
    ReadNames(NamesReply(0, "A1.bin", 0, "B2.bin"));
    Notices();
    // 1: the bank is empty; any other state keeps the name known before.
    ReadNames(NamesReply(7, "ignored", 1, "ignored"));
    EXPECT_EQ(Notices(), (NoticeList{{WM_ACTIVATION_READ_DONE, 1}}));
    EXPECT_EQ(group.GetActiveName(), QByteArray("A1.bin"));
    EXPECT_TRUE(group.GetInactiveName().isEmpty());

    // A full-length name (15 characters) and a reply that ends right after
    // the last terminator are both fine.
    Bytes unpadded{0x86, 0x0C, 0x39, 0, 0};
    const std::string longest(15, 'L');
    unpadded.insert(unpadded.end(), longest.begin(), longest.end());
    unpadded.push_back(0);
    unpadded.insert(unpadded.end(), {'n', 'e', 'w', 0});
    ReadNames(unpadded);
    EXPECT_EQ(Notices(), (NoticeList{{WM_ACTIVATION_READ_DONE, 1}}));
    EXPECT_EQ(group.GetActiveName(), QByteArray::fromStdString(longest));
    EXPECT_EQ(group.GetInactiveName(), QByteArray("new"));
}

TEST_F(ActivationTest, ShortOrUnterminatedNamesReplyFailsTheReadAndKeepsTheNames)
{
    ReadNames(NamesReply(0, "A1.bin", 0, "B2.bin"));
    Notices();

    Bytes full = NamesReply(0, "C3.bin", 0, "D4.bin");
    Bytes noInactiveTerminator = full;
    noInactiveTerminator.resize(21 + 6); // "D4.bin" without its zero
    Bytes fieldWithoutTerminator = NamesReply(0, "", 0, "D4.bin");
    std::fill(fieldWithoutTerminator.begin() + 5, fieldWithoutTerminator.begin() + 21, 'Z');

    const std::vector<Bytes> malformed = {
        {0x86, 0x0C, 0x39},
        {0x86, 0x0C, 0x39, 0},
        {0x86, 0x0C, 0x39, 0, 0},
        {0x86, 0x0C, 0x39, 0, 0, 'C', '3'},
        noInactiveTerminator,
        fieldWithoutTerminator,
    };
    for (const Bytes& reply : malformed) {
        ReadNames(reply);
        EXPECT_EQ(Notices(), (NoticeList{{WM_ACTIVATION_READ_DONE, 0}})) << reply.size();
        EXPECT_EQ(group.GetOperationState(), 0);
        EXPECT_EQ(group.GetErrorText(), QString::fromLatin1(kReadingProblem));
        EXPECT_EQ(group.GetActiveName(), QByteArray("A1.bin"));
        EXPECT_EQ(group.GetInactiveName(), QByteArray("B2.bin"));
    }
}

TEST_F(ActivationTest, ActivateSendsTheNameAndReportsSuccess)
{
    ASSERT_TRUE(group.Activate("B2.bin"));
    EXPECT_EQ(group.GetOperationState(), 2);
    EXPECT_EQ(group.GetErrorText(), QString::fromLatin1(kSendingProblem));
    // While activating: Read is refused and a second Activate sends nothing.
    EXPECT_FALSE(group.Read());
    EXPECT_TRUE(group.Activate("B2.bin"));
    EXPECT_EQ(Sent(), std::vector<Bytes>{ActivateRequest("B2.bin")});

    // Names replies, other groups' and other classes' replies are not the answer.
    Reply(NamesReply(0, "A", 0, "B"));
    Reply({0x86, 0x09, 0x37, 0x00, 0x00});
    Reply({0x84, 0x0C, 0x37, 0x00, 0x00});
    EXPECT_TRUE(Notices().empty());
    EXPECT_EQ(group.GetOperationState(), 2);

    Reply(ActivateReply(0));
    EXPECT_EQ(Notices(), (NoticeList{{WM_ACTIVATION_DONE, 1}}));
    EXPECT_EQ(group.GetOperationState(), 0);
}

TEST_F(ActivationTest, RefusedShortOrOverlongActivations)
{
    ASSERT_TRUE(group.Activate("B2.bin"));
    Sent();
    Reply(ActivateReply(0x0105));
    EXPECT_EQ(Notices(), (NoticeList{{WM_ACTIVATION_DONE, 0}}));
    EXPECT_EQ(group.GetErrorText(),
              QStringLiteral("The target device encountered a non-recoverable error\n (0105).\n\n"
                             "The inactive firmware could not be activated.\n"
                             "Download the software and try to activate again."));
    ASSERT_TRUE(group.Activate("B2.bin"));
    Sent();
    Reply(ActivateReply(0xABCD));
    Notices();
    EXPECT_TRUE(group.GetErrorText().contains(QStringLiteral("\n (ABCD).\n")));

    // A result cut short fails with the sending-problem text.
    for (const Bytes& reply : {Bytes{0x86, 0x0C, 0x37}, Bytes{0x86, 0x0C, 0x37, 0x00}}) {
        ASSERT_TRUE(group.Activate("B2.bin"));
        Sent();
        Reply(reply);
        EXPECT_EQ(Notices(), (NoticeList{{WM_ACTIVATION_DONE, 0}}));
        EXPECT_EQ(group.GetErrorText(), QString::fromLatin1(kSendingProblem));
        EXPECT_EQ(group.GetOperationState(), 0);
    }

    // A name whose length does not fit the request's length byte is not sent.
    EXPECT_FALSE(group.Activate(QByteArray(255, 'n')));
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(group.GetOperationState(), 0);
    EXPECT_TRUE(group.Activate(QByteArray(254, 'n')));
    const std::vector<Bytes> sent = Sent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0][3], 255);
    EXPECT_EQ(sent[0].size(), 4u + 254u + 1u);
}

TEST_F(ActivationTest, SendFailuresAndRefusalsEndTheRunningOperation)
{
    // Idle: nothing to report.
    SendFailure();
    EXPECT_TRUE(Notices().empty());

    ASSERT_TRUE(group.Read());
    SendFailure();
    EXPECT_EQ(Notices(), (NoticeList{{WM_ACTIVATION_READ_DONE, 0}}));
    EXPECT_EQ(group.GetOperationState(), 0);

    ASSERT_TRUE(group.Activate("B2.bin"));
    SendFailure();
    EXPECT_EQ(Notices(), (NoticeList{{WM_ACTIVATION_DONE, 0}}));
    EXPECT_EQ(group.GetErrorText(), QString::fromLatin1(kSendingProblem));
    EXPECT_EQ(group.GetOperationState(), 0);

    // The unit's negative acknowledgement ends either operation too.
    ASSERT_TRUE(group.Read());
    Reply({0x86, 0x0C, 0xF0});
    ASSERT_TRUE(group.Activate("B2.bin"));
    Reply({0x86, 0x0C, 0xF0});
    EXPECT_EQ(Notices(), (NoticeList{{WM_ACTIVATION_READ_DONE, 0}, {WM_ACTIVATION_DONE, 0}}));
    // ... but not another group's.
    ASSERT_TRUE(group.Read());
    Reply({0x84, 0x09, 0xF0});
    EXPECT_TRUE(Notices().empty());
    EXPECT_EQ(group.GetOperationState(), 1);
}

TEST_F(ActivationTest, WritesNothing)
{
    group.AddPendingWrite(0x1234);
    EXPECT_FALSE(group.WriteAll());
    EXPECT_FALSE(group.Write());
    EXPECT_TRUE(group.PendingWrites().empty());
    EXPECT_TRUE(Sent().empty());
}

} // namespace
