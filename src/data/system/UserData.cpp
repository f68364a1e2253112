#include "data/system/UserData.h"

#include "platform/MessageIds.h"

#include <QDate>
#include <QLoggingCategory>

#include <algorithm>
#include <cctype>
#include <climits>

namespace {

Q_LOGGING_CATEGORY(lcUserData, "qora.data.user")

// One number of the date text from `at` on: blanks, a sign, digits (none: 0),
// then a "/" if there is one. Values beyond the 32-bit range are held at its
// limits.
std::int32_t TakeDateNumber(const QByteArray& text, qsizetype& at)
{
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at])))
        ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        negative = text[at] == '-';
        ++at;
    }
    std::int64_t value = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
        value = std::min<std::int64_t>(value * 10 + (text[at] - '0'), std::int64_t(INT_MAX) + 1);
        ++at;
    }
    if (at < text.size() && text[at] == '/')
        ++at;
    if (negative)
        value = -value;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, INT_MIN, INT_MAX));
}

// The read value as text: up to its first NUL.
QByteArray ValueText(const CDeviceMessage& message, std::int32_t offset, std::int32_t length)
{
    QByteArray text(reinterpret_cast<const char*>(message.GetData()) + offset, std::max<std::int32_t>(length, 0));
    const qsizetype nul = text.indexOf('\0');
    if (nul >= 0)
        text.truncate(nul);
    return text;
}

void AppendText(QByteArray& block, const QByteArray& text)
{
    block += text;
    block += '\0';
}

} // namespace

CUserData::CUserData() : CDataClass(kAddress, {WM_USERINFO_READ_DONE, WM_USERINFO_WRITE_DONE})
{
    const std::uint16_t reads[] = {kNameId, kDateId, kCommentsId, kActionsId};
    AddReadIds(reads);
    const std::uint16_t writes[] = {kUserBlockId};
    AddWriteIds(writes);
}

bool CUserData::StoreValue(std::uint16_t id, const Value& value)
{
    switch (id) {
    case kNameId:
        name_ = ValueText(value.message, value.offset, value.length);
        break;
    case kDateId:
        date_ = ParseUserDate(ValueText(value.message, value.offset, value.length));
        break;
    case kCommentsId:
        comments_ = ValueText(value.message, value.offset, value.length);
        break;
    case kActionsId:
        actions_ = ValueText(value.message, value.offset, value.length);
        break;
    default:
        break;
    }
    return true;
}

int CUserData::UserBlockSize() const
{
    // Four length bytes, then each text with its NUL.
    qsizetype size = 4;
    for (const QByteArray* text : {&name_, &comments_, &actions_})
        size += UserText(*text, INT_MAX).size() + 1;
    size += UserDateText(date_).size() + 1;
    return static_cast<int>(std::min<qsizetype>(size, INT_MAX));
}

QByteArray CUserData::UserBlock() const
{
    // Texts go whole: cutting one would lose what the unit or the user wrote.
    if (!UserBlockFits())
        return {};
    const QByteArray name = UserText(name_, INT_MAX);
    const QByteArray date = UserDateText(date_);
    const QByteArray comments = UserText(comments_, INT_MAX);
    const QByteArray actions = UserText(actions_, INT_MAX);
    QByteArray block;
    for (const QByteArray* text : {&name, &date, &comments, &actions})
        block += static_cast<char>(text->size() + 1);
    AppendText(block, name);
    AppendText(block, date);
    AppendText(block, comments);
    AppendText(block, actions);
    return block;
}

bool CUserData::EncodeValue(std::uint16_t id, CDeviceMessage& value)
{
    if (id != kUserBlockId)
        return false;
    if (!UserBlockFits()) {
        qCWarning(lcUserData) << "user block of" << UserBlockSize() << "bytes not sent: at most" << kMaxUserBlock
                              << "fit its length byte";
        return false;
    }
    const QByteArray block = UserBlock();
    return value.AppendBytes(block.constData(), static_cast<std::int32_t>(block.size()));
}

UserDate ParseUserDate(const QByteArray& text)
{
    qsizetype at = 0;
    UserDate date;
    date.year = TakeDateNumber(text, at);
    date.month = TakeDateNumber(text, at);
    date.day = TakeDateNumber(text, at);
    return date;
}

QByteArray UserDateText(const UserDate& date)
{
    const bool calendarDate = date.year >= 1 && date.year <= 9999 && QDate::isValid(date.year, date.month, date.day);
    const UserDate written = calendarDate ? date : UserDate{-1, -1, -1};
    return QString::asprintf("%04d/%02d/%02d", written.year, written.month, written.day).toLatin1();
}

QByteArray UserText(const QByteArray& text, int limit)
{
    QByteArray cut = text.left(limit);
    const qsizetype nul = cut.indexOf('\0');
    if (nul >= 0)
        cut.truncate(nul);
    return cut;
}

QString FieldTextFromUnit(const QByteArray& text)
{
    QString field = QString::fromLatin1(text);
    field.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return field;
}

QByteArray UnitTextFromField(const QString& text)
{
    QString unit = text;
    unit.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    unit.replace(u'\n', QStringLiteral("\r\n"));
    return unit.toLatin1();
}

QString UnitCharacterRefusal(char32_t character)
{
    if (character <= 0xFF)
        return {};
    const QString shown = QString::fromUcs4(&character, 1);
    return QStringLiteral("The unit cannot hold the character \"%1\" (U+%2): its texts take Western European "
                          "(Latin-1) characters only.")
        .arg(shown, QStringLiteral("%1").arg(quint32(character), 4, 16, QLatin1Char('0')).toUpper());
}

QString UnitTextRefusal(const QString& text)
{
    for (qsizetype at = 0; at < text.size(); ++at) {
        const bool pair = at + 1 < text.size() && text[at].isHighSurrogate() && text[at + 1].isLowSurrogate();
        const char32_t character = pair ? QChar::surrogateToUcs4(text[at], text[at + 1]) : text[at].unicode();
        if (QString why = UnitCharacterRefusal(character); !why.isEmpty())
            return why;
        at += pair ? 1 : 0;
    }
    return {};
}

qsizetype UnitTextBytes(const QString& text)
{
    return UnitTextFromField(text).size();
}

QString UserBlockTooLongText(int blockSize)
{
    return QStringLiteral("The user information is too long to be sent to the target device:\n"
                          "the name, date, comments and actions take %1 bytes, at most %2 fit.\n\n"
                          "Shorten the name, comments or actions and try again.")
        .arg(blockSize)
        .arg(CUserData::kMaxUserBlock);
}

QString FieldTextWithin(const QString& text, int limit)
{
    // Every character takes at least one byte.
    QString cut = text.left(limit);
    while (UnitTextFromField(cut).size() > limit)
        cut.chop(1);
    return cut;
}
