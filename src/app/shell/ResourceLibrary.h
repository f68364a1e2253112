#pragma once
// The resource library: an optional Qt binary resource file named "QORA.000"
// beside the program (made with "rcc --binary"). When it is there and sound,
// its string table replaces the built-in texts it names and its bitmaps
// replace the built-in pictures. Widget-free.
//
// Layout inside the library (the .qrc's prefix "/"):
//   strings.tsv     the string table, in the format of the built-in one
//   bitmaps/<id>    a picture in any format Qt reads, e.g. bitmaps/102 for the
//                   splash picture (an alias in the .qrc names it)

#include <QByteArray>
#include <QString>

inline constexpr const char* kResourceLibraryName = "QORA.000";

// Loads "QORA.000" from the folder if it is there. A missing, unreadable or
// malformed file (including a string table that does not parse) changes
// nothing and shows nothing. Returns whether a library was loaded. Call once,
// at start, before any text or picture is used.
bool LoadResourceLibrary(const QString& programDir);

// Takes a loaded library away again: its pictures are no longer used and
// the texts return to the built-in ones.
void UnloadResourceLibrary();

// True while a library is loaded.
[[nodiscard]] bool ResourceLibraryLoaded();

// The resource path of a library entry ("bitmaps/102"), or an empty string
// when no library is loaded or it holds no such entry.
[[nodiscard]] QString ResourceLibraryEntry(const QString& name);

// Whether bytes are a complete, self-consistent Qt binary resource file: every
// node, name and data block of its tree lies inside the file, the tree has no
// loops, and no compressed entry claims more than 64 MiB. Qt itself trusts the
// offsets and sizes it finds, so a truncated or damaged file must not reach it.
[[nodiscard]] bool IsWellFormedResourceFile(const QByteArray& bytes);
