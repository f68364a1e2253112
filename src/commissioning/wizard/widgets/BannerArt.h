#pragma once
// The banner pictures of the wizard's pages, drawn at run time: each on white,
// with white then made transparent so the page's background shows through.

#include <QPixmap>

namespace BannerId {
inline constexpr int Welcome = 160;
inline constexpr int Gps = 155;
inline constexpr int TimeCalculation = 157;
inline constexpr int Q1 = 159;
inline constexpr int User = 198;
} // namespace BannerId

inline constexpr int kBannerSize = 64;

// A null pixmap for an unknown id.
[[nodiscard]] QPixmap DrawBanner(int bannerId);
