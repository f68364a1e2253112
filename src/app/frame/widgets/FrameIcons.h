#pragma once
// The toolbar's pictures and the application icon. Their sources are SVG
// files in icons/, compiled into the program as Qt resources under
// ":/qora/icons/", so a designer changes a picture by changing its file.

#include <QIcon>
#include <QString>

// The icon of a frame command, or an empty icon when it has none.
QIcon FrameCommandIcon(int commandId);

// The program's own icon, for its windows and the task bar.
QIcon ApplicationIcon();

// The resource path of a frame command's picture (":/qora/icons/gps-status.svg"),
// or an empty string when the command has none.
QString FrameCommandIconPath(int commandId);

// An icon drawn from an SVG file at the sizes the toolbar, the menus and the
// window decorations ask for; an empty icon when the file is missing or not
// a picture.
QIcon SvgIcon(const QString& path);
