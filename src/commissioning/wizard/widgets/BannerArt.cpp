#include "commissioning/wizard/widgets/BannerArt.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>

namespace {
const QColor kInk(40, 70, 120);
const QColor kAccent(230, 140, 30);

void DrawUnit(QPainter& p)
{
    // The unit: a box with its GPS antenna on a mast.
    p.setBrush(kInk);
    p.drawRoundedRect(QRectF(14, 34, 36, 22), 3, 3);
    p.setBrush(kAccent);
    p.drawEllipse(QPointF(20, 45), 3, 3);
    p.drawLine(QPointF(42, 34), QPointF(42, 16));
    p.drawEllipse(QPointF(42, 13), 5, 4);
}

void DrawSatellite(QPainter& p)
{
    p.save();
    p.translate(32, 26);
    p.rotate(-30);
    p.setBrush(kInk);
    p.drawRect(QRectF(-22, -5, 14, 10));
    p.drawRect(QRectF(8, -5, 14, 10));
    p.setBrush(kAccent);
    p.drawRect(QRectF(-6, -7, 12, 14));
    p.restore();
    p.setBrush(Qt::NoBrush);
    for (int r = 8; r <= 20; r += 6)
        p.drawArc(QRectF(24 - r, 58 - r, 2 * r, 2 * r), 30 * 16, 120 * 16);
}

void DrawClock(QPainter& p)
{
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(32, 32), 22, 22);
    p.drawLine(QPointF(32, 32), QPointF(32, 16));
    p.drawLine(QPointF(32, 32), QPointF(44, 38));
    QPen pen = p.pen();
    pen.setColor(kAccent);
    p.setPen(pen);
    QPainterPath wave;
    wave.moveTo(4, 60);
    for (int x = 4; x <= 60; x += 8)
        wave.quadTo(x + 2, x % 16 ? 56 : 64, x + 4, 60);
    p.drawPath(wave);
}

void DrawNetwork(QPainter& p)
{
    const QPointF nodes[] = {{12, 14}, {52, 14}, {32, 34}, {12, 54}, {52, 54}};
    for (const QPointF& n : nodes)
        p.drawLine(nodes[2], n);
    p.setBrush(kAccent);
    for (const QPointF& n : nodes)
        p.drawEllipse(n, 6, 6);
}

void DrawPerson(QPainter& p)
{
    p.setBrush(kInk);
    p.drawEllipse(QPointF(26, 18), 9, 9);
    p.drawChord(QRectF(8, 30, 36, 40), 0, 180 * 16);
    p.setBrush(kAccent);
    p.drawRect(QRectF(40, 30, 16, 22));
    p.setPen(QPen(Qt::white, 2));
    for (int y = 36; y <= 46; y += 5)
        p.drawLine(QPointF(43, y), QPointF(53, y));
}

// Every pixel that is pure white becomes transparent.
QPixmap WhiteTransparent(QImage image)
{
    image = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if ((line[x] & 0x00FFFFFFu) == 0x00FFFFFFu)
                line[x] = 0;
    }
    return QPixmap::fromImage(image);
}
} // namespace

QPixmap DrawBanner(int bannerId)
{
    void (*draw)(QPainter&) = nullptr;
    switch (bannerId) {
    case BannerId::Welcome: draw = DrawUnit; break;
    case BannerId::Gps: draw = DrawSatellite; break;
    case BannerId::TimeCalculation: draw = DrawClock; break;
    case BannerId::Q1: draw = DrawNetwork; break;
    case BannerId::User: draw = DrawPerson; break;
    default: return {};
    }
    QImage image(kBannerSize, kBannerSize, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(kInk, 2.5));
        draw(p);
    }
    return WhiteTransparent(image);
}
