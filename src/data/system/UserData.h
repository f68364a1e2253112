#pragma once
// The user group: the free-text user information the unit keeps (a name, a
// date, comments and a log of actions). Each text is read on its own
// (0xE001..0xE004); all four are written together in one block (0x9002).

#include "data/DataClass.h"
#include "protocol/Vocabulary.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

struct UserDate {
    std::int32_t year = 1900;
    std::int32_t month = 1;
    std::int32_t day = 1;
};

class CUserData : public CDataClass {
    Q_OBJECT
public:
    static constexpr std::uint8_t kAddress = Protocol::Address::kUserInformation;
    static constexpr std::uint16_t kNameId = Protocol::Param::kUserName;
    static constexpr std::uint16_t kDateId = Protocol::Param::kUserDate;
    static constexpr std::uint16_t kCommentsId = Protocol::Param::kUserComments;
    static constexpr std::uint16_t kActionsId = Protocol::Param::kUserActions;
    static constexpr std::uint16_t kUserBlockId = Protocol::Param::kUserBlock;

    // The longest texts the dialog lets the user enter, in bytes as sent. The
    // unit's own texts may be longer; they are written back whole.
    static constexpr int kMaxName = 31;
    static constexpr int kMaxComments = 99;
    static constexpr int kMaxActions = 99;
    // The user block's size: the request carries it in one byte.
    static constexpr int kMaxUserBlock = 0xFF;

    CUserData();

    // The texts, byte for byte (8-bit, no encoding assumed).
    [[nodiscard]] const QByteArray& GetName() const { return name_; }
    [[nodiscard]] const QByteArray& GetComments() const { return comments_; }
    [[nodiscard]] const QByteArray& GetActions() const { return actions_; }
    [[nodiscard]] const UserDate& GetDate() const { return date_; }

    // Store for the next WriteAll.
    void SetName(const QByteArray& name) { name_ = name; }
    void SetComments(const QByteArray& comments) { comments_ = comments; }
    void SetActions(const QByteArray& actions) { actions_ = actions; }
    void SetDate(const UserDate& date) { date_ = date; }

    // The 0x9002 value of the stored texts and date, each text whole (up to a
    // NUL in it); empty when it would not fit its length bytes.
    [[nodiscard]] QByteArray UserBlock() const;
    // The size UserBlock() needs, and whether that fits.
    [[nodiscard]] int UserBlockSize() const;
    [[nodiscard]] bool UserBlockFits() const { return UserBlockSize() <= kMaxUserBlock; }

protected:
    bool StoreValue(std::uint16_t id, const Value& value) override;
    bool EncodeValue(std::uint16_t id, CDeviceMessage& value) override;

private:
    QByteArray name_;
    UserDate date_;
    QByteArray comments_;
    QByteArray actions_;
};

// The unit's date text "year/month/day": each number decimal, blanks and a
// sign before it allowed, a "/" after it skipped; a missing number is 0.
[[nodiscard]] UserDate ParseUserDate(const QByteArray& text);
// "%04d/%02d/%02d". A date that is no calendar date of the years 1 to 9999 is
// written as the "no date" text -001/-1/-1, which is also what an empty date
// picker gives.
[[nodiscard]] QByteArray UserDateText(const UserDate& date);
// A text as it goes to the unit: up to its first NUL, at most `limit` bytes.
[[nodiscard]] QByteArray UserText(const QByteArray& text, int limit);

// A unit text as an edit field shows it: byte for byte (Latin-1), line breaks
// "\r\n" as "\n".
[[nodiscard]] QString FieldTextFromUnit(const QByteArray& text);
// A field's text as the unit keeps it: Latin-1 (characters beyond it as '?'),
// line breaks as "\r\n", the way the unit's other tools leave them.
[[nodiscard]] QByteArray UnitTextFromField(const QString& text);
// Why the unit cannot hold a character (a code point) of a user text: it keeps
// Latin-1 only, and anything beyond would arrive as '?'. Empty when it can.
[[nodiscard]] QString UnitCharacterRefusal(char32_t character);
// The same for the first such character of a text; empty when there is none.
[[nodiscard]] QString UnitTextRefusal(const QString& text);
// How many bytes a field's text takes in the unit (a line break two).
[[nodiscard]] qsizetype UnitTextBytes(const QString& text);
// `text` cut at its end until UnitTextFromField of it has at most `limit` bytes.
[[nodiscard]] QString FieldTextWithin(const QString& text, int limit);

// What the user is told when the texts would not fit the user block.
[[nodiscard]] QString UserBlockTooLongText(int blockSize);
