#include "app/frame/widgets/FrameIcons.h"

#include "app/frame/FrameCommands.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <cmath>
#include <functional>

namespace {

const QColor kInk(40, 48, 64);
const QColor kBlue(40, 110, 200);
const QColor kGreen(0, 150, 60);
const QColor kRed(190, 40, 30);
const QColor kAmber(230, 160, 20);
const QColor kPaper(250, 250, 244);

// Draws on a 16-unit square at twice the resolution.
QIcon Draw(const std::function<void(QPainter&)>& paint)
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    {
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(2, 2);
        paint(p);
    }
    pixmap.setDevicePixelRatio(2);
    return QIcon(pixmap);
}

void Page(QPainter& p, QColor fold = kInk)
{
    QPainterPath page;
    page.moveTo(3, 1.5);
    page.lineTo(10, 1.5);
    page.lineTo(13, 4.5);
    page.lineTo(13, 14.5);
    page.lineTo(3, 14.5);
    page.closeSubpath();
    p.setPen(QPen(kInk, 1));
    p.setBrush(kPaper);
    p.drawPath(page);
    p.setPen(QPen(fold, 1));
    p.drawLine(QPointF(10, 1.5), QPointF(10, 4.5));
    p.drawLine(QPointF(10, 4.5), QPointF(13, 4.5));
}

void Lines(QPainter& p, int count, QColor color = kBlue)
{
    p.setPen(QPen(color, 1));
    for (int i = 0; i < count; ++i)
        p.drawLine(QPointF(5, 7 + 2 * i), QPointF(11, 7 + 2 * i));
}

void Plug(QPainter& p, QColor color)
{
    p.setPen(QPen(kInk, 1));
    p.setBrush(color);
    p.drawRoundedRect(QRectF(3, 6, 7, 6), 1.5, 1.5);
    p.setPen(QPen(kInk, 1.4));
    p.drawLine(QPointF(10, 7.5), QPointF(14, 7.5));
    p.drawLine(QPointF(10, 10.5), QPointF(14, 10.5));
    p.drawLine(QPointF(3, 9), QPointF(1, 9));
}

void Satellite(QPainter& p)
{
    p.setPen(QPen(kInk, 1));
    p.setBrush(kBlue);
    p.drawRect(QRectF(1, 3, 4, 3));
    p.drawRect(QRectF(9, 3, 4, 3));
    p.setBrush(kAmber);
    p.drawEllipse(QRectF(5, 2.5, 4, 4));
    p.setPen(QPen(kGreen, 1.2));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(4, 8, 8, 8), 30 * 16, 120 * 16);
    p.drawArc(QRectF(6, 10.5, 4, 4), 30 * 16, 120 * 16);
}

} // namespace

QIcon FrameCommandIcon(int commandId)
{
    switch (commandId) {
    case ID_OPEN_WORK_ORDER:
        return Draw([](QPainter& p) {
            p.setPen(QPen(kInk, 1));
            p.setBrush(kAmber);
            p.drawRect(QRectF(1.5, 4.5, 13, 9));
            p.setBrush(QColor(250, 205, 90));
            QPolygonF flap{{1.5, 13.5}, {4, 7.5}, {15, 7.5}, {14.5, 13.5}};
            p.drawPolygon(flap);
        });
    case ID_LOCAL_CONNECTION:
        return Draw([](QPainter& p) { Plug(p, kGreen); });
    case ID_REMOTE_CONNECTION:
        return Draw([](QPainter& p) {
            p.setPen(QPen(kInk, 1));
            p.setBrush(QColor(170, 210, 245));
            p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(QRectF(5, 1.5, 6, 13));
            p.drawLine(QPointF(1.5, 8), QPointF(14.5, 8));
            p.drawLine(QPointF(3, 4.5), QPointF(13, 4.5));
            p.drawLine(QPointF(3, 11.5), QPointF(13, 11.5));
        });
    case ID_DISCONNECT:
        return Draw([](QPainter& p) {
            Plug(p, QColor(200, 200, 200));
            p.setPen(QPen(kRed, 2));
            p.drawLine(QPointF(2, 2), QPointF(14, 14));
        });
    case ID_COMMISSION_MODE:
        return Draw([](QPainter& p) {
            p.setPen(QPen(kInk, 1));
            p.setBrush(kAmber);
            p.drawEllipse(QRectF(1.5, 4.5, 7, 7));
            p.setBrush(kPaper);
            p.drawEllipse(QRectF(3.5, 6.5, 3, 3));
            p.setPen(QPen(kInk, 2));
            p.drawLine(QPointF(8.5, 8), QPointF(15, 8));
            p.drawLine(QPointF(13, 8), QPointF(13, 11));
            p.drawLine(QPointF(10.5, 8), QPointF(10.5, 10.5));
        });
    case ID_COMMISSIONING_WIZARD:
        return Draw([](QPainter& p) {
            p.setPen(QPen(kInk, 2));
            p.drawLine(QPointF(2, 14), QPointF(10, 6));
            p.setPen(QPen(kAmber, 1));
            p.setBrush(QColor(255, 220, 60));
            QPolygonF star;
            for (int i = 0; i < 10; ++i) {
                const double r = i % 2 ? 1.6 : 4.0;
                const double a = i * 3.14159265 / 5 - 3.14159265 / 2;
                star << QPointF(11.5 + r * std::cos(a), 4.5 + r * std::sin(a));
            }
            p.drawPolygon(star);
        });
    case ID_COMMISSIONING_REPORT:
        return Draw([](QPainter& p) {
            Page(p);
            Lines(p, 2);
            p.setPen(QPen(kGreen, 1.8));
            p.drawLine(QPointF(5, 11.5), QPointF(7, 13));
            p.drawLine(QPointF(7, 13), QPointF(11, 9));
        });
    case ID_CONSTELLATION_LOG:
        return Draw([](QPainter& p) {
            Page(p);
            Lines(p, 4, kInk);
        });
    case ID_GPS_STATUS:
        return Draw([](QPainter& p) { Satellite(p); });
    case ID_CONSTELLATION_STATISTICS:
        return Draw([](QPainter& p) {
            p.setPen(QPen(kInk, 1));
            p.drawLine(QPointF(1.5, 14.5), QPointF(14.5, 14.5));
            p.drawLine(QPointF(1.5, 1.5), QPointF(1.5, 14.5));
            const double heights[] = {5, 9, 7, 11};
            const QColor colors[] = {kBlue, kGreen, kBlue, kGreen};
            for (int i = 0; i < 4; ++i) {
                p.setBrush(colors[i]);
                p.drawRect(QRectF(3 + i * 3, 14.5 - heights[i], 2, heights[i]));
            }
        });
    case ID_INSTALLATION_STATUS:
        return Draw([](QPainter& p) {
            p.setPen(QPen(kInk, 1));
            p.setBrush(kPaper);
            p.drawRect(QRectF(2.5, 1.5, 11, 13));
            for (int i = 0; i < 3; ++i) {
                p.setPen(QPen(i == 2 ? kAmber : kGreen, 1.5));
                p.drawLine(QPointF(4, 5 + i * 3.5), QPointF(5, 6 + i * 3.5));
                p.drawLine(QPointF(5, 6 + i * 3.5), QPointF(7, 3.5 + i * 3.5));
                p.setPen(QPen(kInk, 1));
                p.drawLine(QPointF(8, 5 + i * 3.5), QPointF(12, 5 + i * 3.5));
            }
        });
    default:
        return {};
    }
}
