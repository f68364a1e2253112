#pragma once
// Keys and values of the settings store, registry style: a key is opened under
// a root, values are read and written by name with a type (text, 32-bit number,
// binary object), and the key is closed, which is when changes are written out.
// Results are truth values; what went wrong last is kept for who wants to know.
// Nothing here shows a message.

#include "settings/WindowPlacement.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

class QSettings;

enum class RegRoot { CurrentUser, LocalMachine };

enum class RegResult {
    Success,
    NotOpen,      // no key is open
    NotFound,     // no such key or value
    AccessDenied, // the store cannot be read, or cannot be written with this key
    WrongType,    // the value is not of the type asked for
    TooLarge,     // the value is larger than the reader takes
    Malformed,    // an object value that is not a whole archive form
    WriteFailed,  // writing the store out failed
};

enum class RegType { None, String, Dword, Binary, Other };

// Stored strings are read up to this many bytes (UTF-8), terminating NUL included.
inline constexpr int kMaxStringValueSize = 200;

// How far loading a placement got.
enum class PlacementLoad {
    KeyMissing, // nothing read, nothing to apply
    Partial,    // some values missing: those parts kept their current values
    Complete,
};

class CRegistry {
public:
    explicit CRegistry(RegRoot root = RegRoot::LocalMachine);
    virtual ~CRegistry();
    CRegistry(const CRegistry&) = delete;
    CRegistry& operator=(const CRegistry&) = delete;

    // Open an existing key with all access.
    bool OpenKey(RegRoot root, const QString& path);
    // Open the key with all access, creating it when missing.
    bool CreateKey(RegRoot root, const QString& path);
    bool OpenKeyForRead(RegRoot root, const QString& path);
    bool OpenKeyForWrite(RegRoot root, const QString& path);
    // Writes out what was changed through the key and closes it; false when the
    // changes could not be written (the store on disk is then as it was).
    bool CloseKey();
    [[nodiscard]] bool IsOpen() const { return key_ != nullptr; }

    bool WriteDword(const QString& name, std::uint32_t value);
    bool WriteString(const QString& name, const QString& text);
    // Refused when its archive form would be larger than the reader takes.
    bool WriteObject(const QString& name, const std::vector<std::uint32_t>& object);

    // Each leaves its output unchanged unless it returns true.
    bool ReadDword(const QString& name, std::uint32_t& value);
    // Text up to the first NUL, cut to fit the string read limit.
    bool ReadString(const QString& name, QString& text);
    // Only binary values of at most kMaxObjectValueSize bytes in archive form.
    bool ReadObject(const QString& name, std::vector<std::uint32_t>& object);

    // The object operations under HKEY_CURRENT_USER, opening and closing the
    // key around them (saving creates it when missing).
    bool SaveObject(const QString& path, const QString& name, const std::vector<std::uint32_t>& object);
    bool LoadObject(const QString& path, const QString& name, std::vector<std::uint32_t>& object);

    // Six values "<name> flags", "<name> showCmd", "<name> x1", "<name> y1",
    // "<name> x2", "<name> y2" under HKEY_CURRENT_USER\path. A window that is
    // not visible is saved with showCmd 0. True when all six were written.
    bool SaveWindowPlacement(const WindowPlacement& current, bool visible, const QString& path, const QString& name);
    // Starts from the placement given; each value read replaces its part, then
    // the placement is kept on the screen area. KeyMissing leaves it untouched.
    PlacementLoad LoadWindowPlacement(WindowPlacement& placement, const ScreenArea& screen, const QString& path,
                                      const QString& name);

    [[nodiscard]] RegRoot Root() const { return root_; }
    [[nodiscard]] RegResult LastResult() const { return result_; }
    [[nodiscard]] RegType LastType() const { return type_; }
    [[nodiscard]] std::uint32_t LastSize() const { return size_; }
    [[nodiscard]] const QString& LastPath() const { return path_; }

    // Where the key lives, for people: the registry key, or the file and group.
    [[nodiscard]] static QString Location(RegRoot root, const QString& path);

private:
    enum class Access { Read, All };
    bool Open(RegRoot root, const QString& path, Access access, bool create);
    bool Fail(RegResult result);
    bool CanWrite();

    RegRoot root_;
    std::unique_ptr<QSettings> key_;
    bool writable_ = false;
    bool changed_ = false;
    QString path_;
    RegResult result_ = RegResult::Success;
    RegType type_ = RegType::None;
    std::uint32_t size_ = 0;
};
