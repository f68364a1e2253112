#include "settings/Registry.h"

#include "settings/ArchiveForm.h"
#include "settings/UserSettings.h"

#include <QSettings>
#include <QVariant>

#include <algorithm>
#include <limits>

namespace {
std::unique_ptr<QSettings> OpenStore(RegRoot root, const QString& path)
{
    return root == RegRoot::CurrentUser ? OpenUserSettings(path) : OpenSystemSettings(path);
}

// Up to the first NUL, and no more UTF-8 bytes than maxBytes (a character is
// never split).
QString CutString(QString text, int maxBytes)
{
    const qsizetype nul = text.indexOf(QChar(0));
    if (nul >= 0)
        text.truncate(nul);
    const QByteArray utf8 = text.toUtf8();
    if (utf8.size() <= maxBytes)
        return text;
    qsizetype cut = maxBytes;
    while (cut > 0 && (static_cast<unsigned char>(utf8[cut]) & 0xC0) == 0x80)
        --cut;
    return QString::fromUtf8(utf8.left(cut));
}

std::uint32_t Utf8Size(const QString& text)
{
    return static_cast<std::uint32_t>(text.toUtf8().size()) + 1;
}
} // namespace

CRegistry::CRegistry(RegRoot root) : root_(root) {}

CRegistry::~CRegistry()
{
    CloseKey();
}

bool CRegistry::Fail(RegResult result)
{
    result_ = result;
    return false;
}

bool CRegistry::Open(RegRoot root, const QString& path, Access access, bool create)
{
    CloseKey();
    path_ = path;
    type_ = RegType::None;
    size_ = 0;
    auto key = OpenStore(root, path);
    if (key->status() != QSettings::NoError)
        return Fail(RegResult::AccessDenied);
    const bool exists = !key->childKeys().isEmpty() || !key->childGroups().isEmpty();
    if (!exists && !create)
        return Fail(RegResult::NotFound);
    if (access == Access::All && !key->isWritable())
        return Fail(RegResult::AccessDenied);
    key_ = std::move(key);
    writable_ = access == Access::All;
    changed_ = false;
    result_ = RegResult::Success;
    return true;
}

bool CRegistry::OpenKey(RegRoot root, const QString& path)
{
    return Open(root, path, Access::All, false);
}

bool CRegistry::CreateKey(RegRoot root, const QString& path)
{
    return Open(root, path, Access::All, true);
}

bool CRegistry::OpenKeyForRead(RegRoot root, const QString& path)
{
    return Open(root, path, Access::Read, false);
}

bool CRegistry::OpenKeyForWrite(RegRoot root, const QString& path)
{
    return Open(root, path, Access::All, false);
}

bool CRegistry::CloseKey()
{
    if (!key_)
        return true;
    bool written = true;
    if (changed_) {
        key_->sync();
        written = key_->status() == QSettings::NoError;
    }
    key_.reset();
    writable_ = false;
    changed_ = false;
    return written ? true : Fail(RegResult::WriteFailed);
}

bool CRegistry::CanWrite()
{
    if (!key_)
        return Fail(RegResult::NotOpen);
    if (!writable_)
        return Fail(RegResult::AccessDenied);
    return true;
}

bool CRegistry::WriteDword(const QString& name, std::uint32_t value)
{
    if (!CanWrite())
        return false;
    key_->setValue(name, QVariant::fromValue<uint>(value));
    changed_ = true;
    type_ = RegType::Dword;
    size_ = 4;
    result_ = RegResult::Success;
    return true;
}

bool CRegistry::WriteString(const QString& name, const QString& text)
{
    if (!CanWrite())
        return false;
    key_->setValue(name, text);
    changed_ = true;
    type_ = RegType::String;
    size_ = Utf8Size(text);
    result_ = RegResult::Success;
    return true;
}

bool CRegistry::WriteObject(const QString& name, const std::vector<std::uint32_t>& object)
{
    if (!CanWrite())
        return false;
    const QByteArray bytes = DwordArrayToArchive(object);
    // A value the reader would ignore is not worth writing.
    if (bytes.size() > kMaxObjectValueSize)
        return Fail(RegResult::TooLarge);
    key_->setValue(name, bytes);
    changed_ = true;
    type_ = RegType::Binary;
    size_ = static_cast<std::uint32_t>(bytes.size());
    result_ = RegResult::Success;
    return true;
}

bool CRegistry::ReadDword(const QString& name, std::uint32_t& value)
{
    if (!key_)
        return Fail(RegResult::NotOpen);
    const QVariant stored = key_->value(name);
    type_ = RegType::None;
    if (!stored.isValid())
        return Fail(RegResult::NotFound);
    switch (stored.typeId()) {
    case QMetaType::Int: // the registry's own DWORD
        value = static_cast<std::uint32_t>(stored.toInt());
        break;
    case QMetaType::UInt:
        value = stored.toUInt();
        break;
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        type_ = RegType::Other;
        return Fail(RegResult::TooLarge);
    case QMetaType::QString: {
        // A file keeps numbers as text: decimal, within 32 bits (negative
        // numbers as their two's complement, as coordinates are).
        const QString text = stored.toString().trimmed();
        bool isNumber = false;
        const qlonglong number = text.toLongLong(&isNumber, 10);
        if (!isNumber) {
            text.toULongLong(&isNumber, 10);
            type_ = RegType::String;
            return Fail(isNumber ? RegResult::TooLarge : RegResult::WrongType);
        }
        if (number < std::numeric_limits<std::int32_t>::min() || number > 0xFFFFFFFFll) {
            type_ = RegType::String;
            return Fail(RegResult::TooLarge);
        }
        value = static_cast<std::uint32_t>(number);
        break;
    }
    default:
        type_ = stored.typeId() == QMetaType::QByteArray ? RegType::Binary : RegType::Other;
        return Fail(RegResult::WrongType);
    }
    type_ = RegType::Dword;
    size_ = 4;
    result_ = RegResult::Success;
    return true;
}

bool CRegistry::ReadString(const QString& name, QString& text)
{
    if (!key_)
        return Fail(RegResult::NotOpen);
    const QVariant stored = key_->value(name);
    type_ = RegType::None;
    if (!stored.isValid())
        return Fail(RegResult::NotFound);
    if (stored.typeId() != QMetaType::QString) {
        type_ = stored.typeId() == QMetaType::QByteArray ? RegType::Binary : RegType::Other;
        return Fail(RegResult::WrongType);
    }
    text = CutString(stored.toString(), kMaxStringValueSize - 1);
    type_ = RegType::String;
    size_ = Utf8Size(text);
    result_ = RegResult::Success;
    return true;
}

bool CRegistry::ReadObject(const QString& name, std::vector<std::uint32_t>& object)
{
    if (!key_)
        return Fail(RegResult::NotOpen);
    const QVariant stored = key_->value(name);
    type_ = RegType::None;
    if (!stored.isValid())
        return Fail(RegResult::NotFound);
    if (stored.typeId() != QMetaType::QByteArray) {
        type_ = stored.typeId() == QMetaType::QString ? RegType::String : RegType::Other;
        return Fail(RegResult::WrongType);
    }
    const QByteArray bytes = stored.toByteArray();
    type_ = RegType::Binary;
    size_ = static_cast<std::uint32_t>(std::min<qsizetype>(bytes.size(), std::numeric_limits<std::uint32_t>::max()));
    if (bytes.size() > kMaxObjectValueSize)
        return Fail(RegResult::TooLarge);
    auto values = DwordArrayFromArchive(bytes);
    if (!values)
        return Fail(RegResult::Malformed);
    object = std::move(*values);
    result_ = RegResult::Success;
    return true;
}

bool CRegistry::SaveObject(const QString& path, const QString& name, const std::vector<std::uint32_t>& object)
{
    if (!CreateKey(RegRoot::CurrentUser, path))
        return false;
    const bool written = WriteObject(name, object);
    const RegResult result = result_;
    if (!CloseKey())
        return false;
    result_ = result;
    return written;
}

bool CRegistry::LoadObject(const QString& path, const QString& name, std::vector<std::uint32_t>& object)
{
    if (!OpenKeyForRead(RegRoot::CurrentUser, path))
        return false;
    const bool read = ReadObject(name, object);
    const RegResult result = result_;
    CloseKey();
    result_ = result;
    return read;
}

bool CRegistry::SaveWindowPlacement(const WindowPlacement& current, bool visible, const QString& path,
                                    const QString& name)
{
    if (!CreateKey(RegRoot::CurrentUser, path))
        return false;
    const QString prefix = name + QLatin1Char(' ');
    bool written = WriteDword(prefix + QStringLiteral("flags"), current.flags);
    written &= WriteDword(prefix + QStringLiteral("showCmd"), visible ? current.showCmd : ShowCmd::Hide);
    written &= WriteDword(prefix + QStringLiteral("x1"), static_cast<std::uint32_t>(current.normal.left));
    written &= WriteDword(prefix + QStringLiteral("y1"), static_cast<std::uint32_t>(current.normal.top));
    written &= WriteDword(prefix + QStringLiteral("x2"), static_cast<std::uint32_t>(current.normal.right));
    written &= WriteDword(prefix + QStringLiteral("y2"), static_cast<std::uint32_t>(current.normal.bottom));
    return CloseKey() && written;
}

PlacementLoad CRegistry::LoadWindowPlacement(WindowPlacement& placement, const ScreenArea& screen,
                                             const QString& path, const QString& name)
{
    if (!OpenKeyForRead(RegRoot::CurrentUser, path))
        return PlacementLoad::KeyMissing;
    const QString prefix = name + QLatin1Char(' ');
    bool complete = true;
    const auto read = [&](const char* suffix, auto store) {
        std::uint32_t value = 0;
        if (ReadDword(prefix + QLatin1String(suffix), value))
            store(value);
        else
            complete = false;
    };
    const auto edge = [](std::uint32_t value) { return static_cast<std::int32_t>(value); };
    read("flags", [&](std::uint32_t value) { placement.flags = value; });
    read("showCmd", [&](std::uint32_t value) { placement.showCmd = value; });
    read("x1", [&](std::uint32_t value) { placement.normal.left = edge(value); });
    read("y1", [&](std::uint32_t value) { placement.normal.top = edge(value); });
    read("x2", [&](std::uint32_t value) { placement.normal.right = edge(value); });
    read("y2", [&](std::uint32_t value) { placement.normal.bottom = edge(value); });
    CloseKey();
    ClampPlacementToScreen(placement, screen);
    return complete ? PlacementLoad::Complete : PlacementLoad::Partial;
}

QString CRegistry::Location(RegRoot root, const QString& path)
{
    const auto key = OpenStore(root, path);
    if (key->format() == QSettings::NativeFormat)
        return (root == RegRoot::CurrentUser ? QStringLiteral("HKEY_CURRENT_USER\\")
                                             : QStringLiteral("HKEY_LOCAL_MACHINE\\")) +
               path;
    return key->group().isEmpty() ? key->fileName() : key->fileName() + QStringLiteral(" [") + key->group() +
                                                          QLatin1Char(']');
}
