#pragma once
// The program's picture (bitmap 102), shared by the splash window and the
// About box, and the way both write the version on it.

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QPoint>
#include <QString>

class QPainter;

inline constexpr int kSplashBitmapId = 102;

// Where the version text ends (right-aligned, top of the text) on the picture,
// and where the About box puts the build stamp.
inline constexpr QPoint kVersionTextAnchor{256, 208};
inline constexpr QPoint kBuildStampAnchor{296, 224};

// A bitmap by id: the resource library's "bitmaps/<id>" when it has a readable
// one, otherwise the built-in picture; a null pixmap for an unknown id.
[[nodiscard]] QPixmap LoadBitmapResource(int id);

// The built-in picture, drawn rather than stored.
[[nodiscard]] QPixmap BuiltInSplashPicture();

// The text font and colour of the version and build stamp: a 12-pixel
// Arial-like regular font, RGB(42,44,10).
[[nodiscard]] QFont SplashTextFont();
[[nodiscard]] QColor SplashTextColor();

// Draws text so that it ends at anchor.x() with its top at anchor.y(), on a
// transparent background.
void DrawRightAlignedText(QPainter& painter, const QString& text, QPoint anchor);
