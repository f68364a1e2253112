#include "app/shell/SplashPicture.h"

#include "app/shell/ResourceLibrary.h"

#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <array>
#include <cmath>
#include <numbers>

namespace {

constexpr QSize kPictureSize{320, 240};
constexpr int kBandTop = 196; // the light band that carries the version text

const QColor kNightTop{10, 31, 58};
const QColor kNightBottom{27, 90, 133};
const QColor kGold{242, 201, 76};
const QColor kBand{239, 233, 212};
const QColor kBandEdge{201, 185, 138};

QFont PixelFont(int pixels, QFont::Weight weight)
{
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixels);
    font.setWeight(weight);
    return font;
}

QPointF OnEllipse(QPointF centre, double rx, double ry, double tiltDeg, double angleDeg)
{
    const double a = angleDeg * std::numbers::pi / 180.0;
    const double t = tiltDeg * std::numbers::pi / 180.0;
    const double x = rx * std::cos(a);
    const double y = ry * std::sin(a);
    return {centre.x() + x * std::cos(t) - y * std::sin(t), centre.y() + x * std::sin(t) + y * std::cos(t)};
}

void DrawSatellite(QPainter& p, QPointF at)
{
    p.save();
    p.translate(at);
    p.rotate(-20);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(120, 190, 235));
    p.drawRect(QRectF(-11, -2, 7, 4));
    p.drawRect(QRectF(4, -2, 7, 4));
    p.setBrush(kGold);
    p.drawRoundedRect(QRectF(-3.5, -3.5, 7, 7), 1.5, 1.5);
    p.restore();
}

void DrawSky(QPainter& p)
{
    QLinearGradient sky(0, 0, 0, kBandTop);
    sky.setColorAt(0, kNightTop);
    sky.setColorAt(1, kNightBottom);
    p.fillRect(QRect(0, 0, kPictureSize.width(), kBandTop), sky);

    // A fixed scatter of faint stars.
    unsigned seed = 20240611u;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) & 0x7fff;
    };
    for (int i = 0; i < 60; ++i) {
        const double x = next() % kPictureSize.width();
        const double y = next() % 150;
        const int alpha = 50 + static_cast<int>(next() % 120);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, alpha));
        p.drawEllipse(QPointF(x, y), 0.7, 0.7);
    }
}

void DrawEarthAndStation(QPainter& p, QPointF station)
{
    const QPointF centre(160, 560);
    const double radius = 400;
    QRadialGradient earth(centre, radius);
    earth.setColorAt(0.90, QColor(18, 74, 110));
    earth.setColorAt(1.0, QColor(47, 127, 176));
    p.setBrush(earth);
    p.setPen(QPen(QColor(150, 220, 255, 150), 1.5));
    p.drawEllipse(centre, radius, radius);

    // The base station mast with the unit at its foot.
    p.setPen(QPen(QColor(225, 235, 242), 1.2));
    p.setBrush(Qt::NoBrush);
    const QPointF top = station - QPointF(0, 22);
    p.drawLine(top, station + QPointF(-7, 0));
    p.drawLine(top, station + QPointF(7, 0));
    for (int i = 1; i <= 3; ++i) {
        const double f = i / 4.0;
        p.drawLine(top + QPointF(-7 * f, 22 * f), top + QPointF(7 * f, 22 * f));
    }
    p.setBrush(kGold);
    p.setPen(Qt::NoPen);
    p.drawRect(QRectF(station.x() + 9, station.y() - 6, 8, 6));
}

void DrawConstellation(QPainter& p, QPointF station)
{
    const QPointF centre(236, 96);
    struct Orbit {
        double rx, ry, tilt;
    };
    const std::array orbits{Orbit{74, 24, -18}, Orbit{56, 44, 32}, Orbit{84, 36, 8}};
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 60), 1.0));
    for (const Orbit& o : orbits) {
        QPainterPath path;
        for (int deg = 0; deg <= 360; deg += 4) {
            const QPointF at = OnEllipse(centre, o.rx, o.ry, o.tilt, deg);
            if (deg == 0)
                path.moveTo(at);
            else
                path.lineTo(at);
        }
        p.drawPath(path);
    }
    const std::array satellites{OnEllipse(centre, orbits[0].rx, orbits[0].ry, orbits[0].tilt, 235),
                                OnEllipse(centre, orbits[1].rx, orbits[1].ry, orbits[1].tilt, 290),
                                OnEllipse(centre, orbits[2].rx, orbits[2].ry, orbits[2].tilt, 330),
                                OnEllipse(centre, orbits[1].rx, orbits[1].ry, orbits[1].tilt, 80)};
    QPen signal(QColor(242, 201, 76, 110), 1.0, Qt::DashLine);
    p.setPen(signal);
    for (const QPointF& s : satellites)
        p.drawLine(s, station - QPointF(0, 22));
    for (const QPointF& s : satellites)
        DrawSatellite(p, s);
}

void DrawTitle(QPainter& p)
{
    QFont brand = PixelFont(11, QFont::DemiBold);
    brand.setLetterSpacing(QFont::AbsoluteSpacing, 3);
    p.setFont(brand);
    p.setPen(kGold);
    p.drawText(QPointF(22, 28), QStringLiteral("TAVRA"));

    p.setFont(PixelFont(46, QFont::Bold));
    p.setPen(Qt::white);
    p.drawText(QPointF(20, 74), QStringLiteral("QORA"));

    p.setFont(PixelFont(22, QFont::Normal));
    p.setPen(QColor(159, 211, 240));
    p.drawText(QPointF(22, 98), QStringLiteral("Manager"));

    p.setPen(QPen(kGold, 1));
    p.drawLine(QPointF(22, 108), QPointF(140, 108));

    p.setFont(PixelFont(10, QFont::Normal));
    p.setPen(QColor(199, 219, 232));
    p.drawText(QPointF(22, 123), QStringLiteral("GPS timing for GSM base stations"));
}

void DrawBand(QPainter& p)
{
    QLinearGradient band(0, kBandTop, 0, kPictureSize.height());
    band.setColorAt(0, kBand);
    band.setColorAt(1, kBand.darker(104));
    p.fillRect(QRect(0, kBandTop, kPictureSize.width(), kPictureSize.height() - kBandTop), band);
    p.setPen(QPen(kBandEdge, 2));
    p.drawLine(QPointF(0, kBandTop), QPointF(kPictureSize.width(), kBandTop));
}

} // namespace

QPixmap BuiltInSplashPicture()
{
    QPixmap picture(kPictureSize);
    picture.fill(kNightTop);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const QPointF station(236, 174);
    DrawSky(p);
    DrawConstellation(p, station);
    DrawEarthAndStation(p, station);
    DrawTitle(p);
    DrawBand(p);
    return picture;
}

QPixmap LoadBitmapResource(int id)
{
    const QString entry = ResourceLibraryEntry(QStringLiteral("bitmaps/%1").arg(id));
    if (!entry.isEmpty()) {
        QPixmap replacement(entry);
        if (!replacement.isNull())
            return replacement;
    }
    return id == kSplashBitmapId ? BuiltInSplashPicture() : QPixmap();
}

QFont SplashTextFont()
{
    return PixelFont(12, QFont::Normal);
}

QColor SplashTextColor()
{
    return QColor(42, 44, 10);
}

void DrawRightAlignedText(QPainter& painter, const QString& text, QPoint anchor)
{
    const QFontMetrics metrics(painter.font());
    const QRect box(0, anchor.y(), anchor.x(), metrics.height());
    painter.drawText(box, Qt::AlignRight | Qt::AlignTop | Qt::TextSingleLine, text);
}
