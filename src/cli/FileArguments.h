#pragma once
// File arguments are looked at before anything is sent, so that a mistyped
// path says so ("cannot open FILE: reason") rather than failing later in a
// way that hides the cause.

#include <QString>

#include <optional>
#include <string>

// "cannot open FILE: No such file or directory" and the like for a file to be
// read; nothing when it opens.
[[nodiscard]] std::optional<std::string> InputFileProblem(const QString& path);

// The same for a file to be written: its folder must exist and the path must
// not be a folder. Nothing is created.
[[nodiscard]] std::optional<std::string> OutputFileProblem(const QString& path);
