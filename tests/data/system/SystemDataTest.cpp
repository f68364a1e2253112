// The system and user groups against a played unit: what they send, what they
// take from the replies, and the user block's layout.

#include "SystemFixture.h"

#include "data/system/SystemData.h"
#include "data/system/UserData.h"
#include "platform/MessageIds.h"

using namespace systest;

namespace {

class GroupTest : public SystemFixture {
protected:
    template <typename Group>
    void Attach(Group& group)
    {
        group.AddWindow(&window);
        group.Register();
    }
    // The wParam of the last notice `message`, -1 when none came.
    int Notice(unsigned message) const
    {
        int result = -1;
        for (const auto& m : window.received)
            if (m.message == message)
                result = static_cast<int>(m.wParam);
        return result;
    }
    MessageRecorder window;
};

TEST_F(GroupTest, SystemReadTakesOffsetsAndOptionsInOrder)
{
    CSystemData system;
    Attach(system);
    ASSERT_TRUE(system.ReadAll());
    EXPECT_EQ(Sent(), (std::vector<Bytes>{ReadRequest(7, 0xC002)}));
    Reply(ReadReply(7, 0xC002, {0x00, 0xFF, 0x03}));
    EXPECT_EQ(Sent(), (std::vector<Bytes>{ReadRequest(7, 0xB002)}));
    Reply(ReadReply(7, 0xB002, {0x01, 0x01, 0x00, 0x00}));
    EXPECT_EQ(Notice(WM_SYSTEM_READ_DONE), 1);
    EXPECT_EQ(system.GetFrameNumberOffset(), 255);
    EXPECT_EQ(system.GetTimeSlotOffset(), 3);
    EXPECT_EQ(FrameNumberOffsetText(system), QStringLiteral("N/A"));
    EXPECT_EQ(TimeSlotOffsetText(system), QStringLiteral("N/A"));
    EXPECT_EQ(system.GetLastDevice(), 1);
    EXPECT_EQ(system.GetOnePps(), 1);

    // A bus options value of two bytes is too short: both options are kept.
    window.received.clear();
    ASSERT_TRUE(system.ReadAll());
    Sent();
    Reply(ReadReply(7, 0xC002, {0x00, 12, 5}));
    Reply(ReadReply(7, 0xB002, {0x00, 0x00}));
    EXPECT_EQ(Notice(WM_SYSTEM_READ_DONE), 1);
    EXPECT_EQ(FrameNumberOffsetText(system), QStringLiteral("12"));
    EXPECT_EQ(TimeSlotOffsetText(system), QStringLiteral("5"));
    EXPECT_EQ(system.GetLastDevice(), 1);
    EXPECT_EQ(system.GetOnePps(), 1);
    system.Unregister();
}

TEST_F(GroupTest, SystemWritesTheLastDeviceOptionAsOneByte)
{
    CSystemData system;
    Attach(system);
    system.SetLastDevice(0);
    // Setting stores only: nothing goes out until WriteAll.
    EXPECT_TRUE(Sent().empty());
    ASSERT_TRUE(system.WriteAll());
    EXPECT_EQ(Sent(), (std::vector<Bytes>{{0x84, 0x07, 0x05, 0xB0, 0x02, 0x01, 0x00}}));
    // A running write answers a read with true and sends nothing.
    EXPECT_TRUE(system.ReadAll());
    EXPECT_TRUE(Sent().empty());
    Reply(WriteReply(7, 0xB002, 1));
    EXPECT_EQ(Notice(WM_SYSTEM_WRITE_DONE), 0);
    EXPECT_EQ(system.GetOperationState(), CDataClass::kIdle);
    system.Unregister();
}

TEST(UserDate, ParsesTheUnitsDateText)
{
    const auto parse = [](const char* text) {
        const UserDate d = ParseUserDate(text);
        return std::vector<int>{d.year, d.month, d.day};
    };
    EXPECT_EQ(parse("2009/11/4"), (std::vector<int>{2009, 11, 4}));
    EXPECT_EQ(parse(" 2009/ +11/ -4"), (std::vector<int>{2009, 11, -4}));
    EXPECT_EQ(parse("2009 11 4"), (std::vector<int>{2009, 11, 4}));
    EXPECT_EQ(parse("2009//4"), (std::vector<int>{2009, 0, 4}));
    EXPECT_EQ(parse(""), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(parse("99999999999/1/1"), (std::vector<int>{2147483647, 1, 1}));
    EXPECT_EQ(parse("-99999999999/1/1"), (std::vector<int>{-2147483647 - 1, 1, 1}));

    EXPECT_EQ(UserDateText({2009, 11, 4}), QByteArray("2009/11/04"));
    EXPECT_EQ(UserDateText({1900, 1, 1}), QByteArray("1900/01/01"));
    EXPECT_EQ(UserDateText({-1, -1, -1}), QByteArray("-001/-1/-1"));
    // No calendar date, however large its numbers: the short "no date" text.
    EXPECT_EQ(UserDateText({2009, 2, 30}), QByteArray("-001/-1/-1"));
    EXPECT_EQ(UserDateText({2147483647, -2147483647 - 1, 1}), QByteArray("-001/-1/-1"));
}

TEST(UserText, FieldsAndTheUnitsBytes)
{
    EXPECT_EQ(UserText(QByteArray("abc\0def", 7), 31), QByteArray("abc"));
    EXPECT_EQ(UserText(QByteArray(40, 'n'), 31), QByteArray(31, 'n'));
    EXPECT_EQ(UnitTextFromField(QStringLiteral("a\nb")), QByteArray("a\r\nb"));
    EXPECT_EQ(FieldTextFromUnit("a\r\nb\xe9"), QStringLiteral("a\nb") + QChar(0xE9));
    // A line break counts two bytes against the limit.
    EXPECT_EQ(FieldTextWithin(QString(98, u'c') + u'\n', 99), QString(98, u'c'));
    EXPECT_EQ(FieldTextWithin(QString(200, u'c'), 99), QString(99, u'c'));
}

TEST_F(GroupTest, UserReadsFourTextsAndWritesOneBlock)
{
    CUserData user;
    Attach(user);
    ASSERT_TRUE(user.ReadAll());
    Reply(TextReply(0xE001, "Jo"));
    Reply(TextReply(0xE002, "2009/11/4"));
    // The text runs to the end of the message when no NUL ends it.
    Reply(ReadReply(8, 0xE003, {'o', 'k'}));
    Reply(TextReply(0xE004, "fitted"));
    EXPECT_EQ(Sent(), (std::vector<Bytes>{ReadRequest(8, 0xE001), ReadRequest(8, 0xE002), ReadRequest(8, 0xE003),
                                          ReadRequest(8, 0xE004)}));
    EXPECT_EQ(Notice(WM_USERINFO_READ_DONE), 1);
    EXPECT_EQ(user.GetName(), QByteArray("Jo"));
    EXPECT_EQ(user.GetComments(), QByteArray("ok"));
    EXPECT_EQ(user.GetActions(), QByteArray("fitted"));
    EXPECT_EQ(user.GetDate().day, 4);

    ASSERT_TRUE(user.WriteAll());
    const std::string value = std::string("\x03\x0B\x03\x07", 4) + std::string("Jo\0", 3) +
                              std::string("2009/11/04\0", 11) + std::string("ok\0", 3) + std::string("fitted\0", 7);
    Bytes expected{0x84, 0x08, 0x05, 0x90, 0x02, std::uint8_t(value.size())};
    expected.insert(expected.end(), value.begin(), value.end());
    EXPECT_EQ(Sent(), (std::vector<Bytes>{expected}));
    // A write is running: a read is refused.
    EXPECT_FALSE(user.ReadAll());
    Reply(WriteReply(8, 0x9002));
    EXPECT_EQ(Notice(WM_USERINFO_WRITE_DONE), 1);
    user.Unregister();
}

TEST_F(GroupTest, UserBlockKeepsTextsWholeOrIsNotSentAtAll)
{
    CUserData user;
    // The dialog's longest texts: 4 + 32 + 11 + 100 + 100 bytes.
    user.SetName(QByteArray(31, 'n'));
    user.SetDate({2009, 11, 4});
    user.SetComments(QByteArray(99, 'c'));
    user.SetActions(QByteArray(99, 'a'));
    EXPECT_EQ(user.UserBlock().size(), 247);

    // A unit's texts beyond the dialog's limits go back whole while the block
    // fits its length byte: 4 + 41 + 11 + 100 + 99 = 255.
    user.SetName(QByteArray(40, 'n'));
    user.SetActions(QByteArray(98, 'a'));
    EXPECT_TRUE(user.UserBlockFits());
    QByteArray block = user.UserBlock();
    ASSERT_EQ(block.size(), 255);
    EXPECT_EQ(block.left(4), QByteArray("\x29\x0B\x64\x63", 4));
    EXPECT_EQ(block.mid(4, 41), QByteArray(40, 'n') + '\0');
    // A date of huge numbers is the "no date" text.
    user.SetDate({-2147483647 - 1, -2147483647 - 1, -2147483647 - 1});
    EXPECT_EQ(user.UserBlock().mid(4 + 41, 11), QByteArray("-001/-1/-1\0", 11));

    // Empty texts: one NUL each, with length bytes 1.
    CUserData empty;
    empty.SetDate({2009, 11, 4});
    EXPECT_EQ(empty.UserBlock(), QByteArray("\x01\x0B\x01\x01\0" "2009/11/04\0\0\0", 18));

    Attach(user);
    ASSERT_TRUE(user.WriteAll());
    std::vector<Bytes> sent = Sent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0][5], 255);
    EXPECT_EQ(sent[0].size(), 6u + 255u);
    Reply(WriteReply(8, 0x9002));
    EXPECT_EQ(Notice(WM_USERINFO_WRITE_DONE), 1);

    // One byte more would not fit the length byte: nothing is cut, nothing
    // goes out, and the write fails.
    user.SetActions(QByteArray(99, 'a'));
    EXPECT_FALSE(user.UserBlockFits());
    EXPECT_EQ(user.UserBlockSize(), 256);
    EXPECT_TRUE(user.UserBlock().isEmpty());
    user.SetName(QByteArray(300, 'n'));
    EXPECT_EQ(user.UserBlockSize(), 4 + 301 + 11 + 100 + 100);
    window.received.clear();
    EXPECT_TRUE(user.WriteAll());
    PumpFor(5);
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(Notice(WM_USERINFO_WRITE_DONE), 0);
    user.Unregister();
}

TEST_F(GroupTest, RefusedAndUnansweredUserOperations)
{
    CUserData user;
    Attach(user);
    ASSERT_TRUE(user.ReadAll());
    Reply(TextReply(0xE001, "Jo"));
    // Another group's reply is not this group's.
    Reply(ReadReply(7, 0xE002, {0x78, 0}));
    EXPECT_EQ(Notice(WM_USERINFO_READ_DONE), -1);
    Reply({0x84, 0x08, 0xF0});
    EXPECT_EQ(Notice(WM_USERINFO_READ_DONE), 0);
    EXPECT_TRUE(user.PendingReads().empty());

    ASSERT_TRUE(user.WriteAll());
    Reply(WriteReply(8, 0x9002, 3));
    EXPECT_EQ(Notice(WM_USERINFO_WRITE_DONE), 0);
    user.Unregister();

    handler->CloseConnection();
    PumpFor(5);
    Sent();
    EXPECT_FALSE(user.ReadAll());
    EXPECT_FALSE(user.WriteAll());
    EXPECT_TRUE(Sent().empty());
}

} // namespace
