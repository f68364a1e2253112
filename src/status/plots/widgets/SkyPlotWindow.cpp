#include "status/plots/widgets/SkyPlotWindow.h"

#include "status/history/StatusHistory.h"

#include <QDateTime>

#include <algorithm>
#include <cmath>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

CSkyPlotWidget::CSkyPlotWidget(QWidget* parent) : QWidget(parent)
{
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);
    setMinimumSize(260, 200);
}

void CSkyPlotWidget::SetScene(SkyScene scene)
{
    scene_ = std::move(scene);
    update();
}

SkyGeometry CSkyPlotWidget::Geometry() const
{
    return SkyGeometry::ForSize(std::max(0, width() - kLegendWidth), height(), kMargin);
}

double CSkyPlotWidget::MarkerRadius(double plotRadius)
{
    return std::clamp(plotRadius / 20.0, 4.0, 14.0);
}

int CSkyPlotWidget::LabelPixelSize(double plotRadius)
{
    return std::clamp(int(std::lround(MarkerRadius(plotRadius) * 1.4)), 8, 20);
}

void CSkyPlotWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const SkyGeometry g = Geometry();
    const QPointF c = g.centre;

    // Rings at 0, 30 and 60 degrees elevation and the four directions.
    painter.setPen(QPen(QColor(0x90, 0x90, 0x90), 1));
    painter.setBrush(Qt::NoBrush);
    for (int elevation : {0, 30, 60}) {
        const double r = g.radius * (90 - elevation) / 90.0;
        painter.drawEllipse(c, r, r);
        painter.drawText(QPointF(c.x() + 3, c.y() - r + 12), QStringLiteral("%1°").arg(elevation));
    }
    painter.drawLine(g.PointAt(0, 0), g.PointAt(180, 0));
    painter.drawLine(g.PointAt(90, 0), g.PointAt(270, 0));
    painter.setPen(Qt::black);
    const QFontMetrics fm(font());
    const struct {
        const char* letter;
        double azimuth;
    } compass[] = {{"N", 0}, {"E", 90}, {"S", 180}, {"W", 270}};
    for (const auto& [letter, azimuth] : compass) {
        const SkyGeometry outside{c, g.radius + kMargin / 2.0};
        const QPointF at = outside.PointAt(azimuth, 0);
        const QString text = QString::fromLatin1(letter);
        painter.drawText(QPointF(at.x() - fm.horizontalAdvance(text) / 2.0, at.y() + fm.ascent() / 2.0 - 1), text);
    }

    // Tracks first, so that the markers stay on top.
    const double marker = MarkerRadius(g.radius);
    for (const SkySatellite& sat : scene_.satellites) {
        QColor colour = QColor::fromRgb(ChannelColour(sat.cno, sat.weak));
        colour.setAlpha(110);
        painter.setPen(QPen(colour, std::max(1.5, marker / 4.5)));
        for (const auto& stretch : sat.track) {
            if (stretch.size() < 2)
                continue;
            QPainterPath path(g.PointAt(stretch.front().azimuthDeg, stretch.front().elevationDeg));
            for (const SkyTrackPoint& p : stretch)
                path.lineTo(g.PointAt(p.azimuthDeg, p.elevationDeg));
            painter.drawPath(path);
        }
    }
    QFont labelFont = font();
    labelFont.setBold(true);
    labelFont.setPixelSize(LabelPixelSize(g.radius));
    painter.setFont(labelFont);
    const QFontMetrics lfm(labelFont);
    for (const SkySatellite& sat : scene_.satellites) {
        const QPointF at = g.PointAt(sat.azimuthDeg, sat.elevationDeg);
        painter.setPen(QPen(Qt::black, 1));
        painter.setBrush(QColor::fromRgb(ChannelColour(sat.cno, sat.weak)));
        painter.drawEllipse(at, marker, marker);
        const QString number = QString::number(sat.number);
        painter.drawText(QPointF(at.x() + marker + 2, at.y() - marker + lfm.ascent() / 2.0), number);
    }
    painter.setFont(font());

    // The legend.
    const int x = width() - kLegendWidth + 8;
    int y = kMargin;
    painter.setPen(Qt::black);
    painter.drawText(x, y, QStringLiteral("C/No"));
    y += 8;
    for (const CnoBand& band : CnoBands()) {
        painter.setBrush(QColor::fromRgb(band.rgb));
        painter.drawRect(x, y, 14, 12);
        painter.drawText(x + 20, y + 11, QString::fromLatin1(band.label));
        y += 18;
    }
    y += 10;
    if (scene_.timeMs) {
        painter.drawText(x, y, QStringLiteral("%1 tracked").arg(scene_.satellites.size()));
        painter.drawText(x, y + 16,
                         QDateTime::fromMSecsSinceEpoch(scene_.timeMs, Qt::UTC).toString(QStringLiteral("HH:mm:ss 'UTC'")));
        painter.drawText(x, y + 32, QStringLiteral("Tracks: last hour"));
    } else {
        painter.drawText(x, y, QStringLiteral("No GPS status yet"));
    }
}

std::pair<std::int64_t, std::int64_t> CSkyPlotWindow::ShownSpanMs() const
{
    const auto& gps = History().Gps();
    if (gps.empty())
        return {0, 0};
    const std::int64_t toMs = gps.back().timeMs;
    return {std::max(gps.front().timeMs, toMs - kTrackLookBackMs), toMs};
}

CSkyPlotWindow::CSkyPlotWindow(CStatusHistory& history, QWidget* parent)
    : CPlotWindow(history, QStringLiteral("Sky Plot"), QStringLiteral("sky-plot"), StatusSampleKind::Gps, parent)
{
    plot_ = new CSkyPlotWidget;
    Body().addWidget(plot_);
    resize(560, 480);
}

void CSkyPlotWindow::Refresh()
{
    plot_->SetScene(BuildSkyScene(History().Gps(), kTrackLookBackMs));
    CountRefresh();
}
