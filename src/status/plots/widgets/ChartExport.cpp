#include "status/plots/widgets/ChartExport.h"

#include "platform/SavedFile.h"
#include "platform/UserPrompts.h"
#include "version/ProgramVersion.h"

#include <QBuffer>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QSaveFile>
#include <QSvgGenerator>
#include <QWidget>

#include <algorithm>

namespace {
constexpr int kTitlePadding = 8;
} // namespace

namespace {

// "at 10.0.0.4, bus address 131" from a connection string; the string itself
// when it names no host.
QString UnitText(const QString& connection)
{
    QString host, address;
    for (const QString& item : connection.split(u',')) {
        const QString key = item.section(u'=', 0, 0).trimmed().toUpper();
        const QString value = item.section(u'=', 1).trimmed();
        if (key == QLatin1String("HOST"))
            host = value;
        else if (key == QLatin1String("ADDR"))
            address = value;
    }
    if (host.isEmpty())
        return connection.trimmed();
    return address.isEmpty() ? QStringLiteral("at %1").arg(host)
                             : QStringLiteral("at %1, bus address %2").arg(host, address);
}

QString SpanText(std::int64_t fromMs, std::int64_t toMs)
{
    if (fromMs <= 0 && toMs <= 0)
        return QStringLiteral("no data");
    const QDateTime from = QDateTime::fromMSecsSinceEpoch(fromMs, Qt::UTC);
    const QDateTime to = QDateTime::fromMSecsSinceEpoch(toMs, Qt::UTC);
    const QString full = QStringLiteral("yyyy-MM-dd HH:mm:ss");
    return QStringLiteral("%1 to %2 UTC")
        .arg(from.toString(full), to.toString(from.date() == to.date() ? QStringLiteral("HH:mm:ss") : full));
}

// The title's height above a widget this wide.
int TitleHeight(const QFontMetrics& metrics, int width, const QString& title)
{
    const QRect text = metrics.boundingRect(QRect(0, 0, std::max(1, width - 2 * kTitlePadding), 10000),
                                            Qt::TextWordWrap, title);
    return text.height() + 2 * kTitlePadding;
}

void DrawTitle(QPainter& painter, const QFont& font, int width, int height, const QString& title)
{
    painter.fillRect(QRect(0, 0, width, height), Qt::white);
    painter.setPen(Qt::black);
    painter.setFont(font);
    painter.drawText(QRect(kTitlePadding, kTitlePadding, width - 2 * kTitlePadding, height - 2 * kTitlePadding),
                     Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignVCenter, title);
}

} // namespace

QString ChartTitle(const ChartExportInfo& info)
{
    const QString unit = info.unit.trimmed().isEmpty() ? QStringLiteral("unit not known")
                                                       : QStringLiteral("unit ") + UnitText(info.unit);
    return QStringLiteral("%1 - %2 - %3 - Tavra QORA Manager %4")
        .arg(info.chart, unit, SpanText(info.fromMs, info.toMs), QString::fromLatin1(ProgramVersion()));
}

QString ChartFileName(const QString& slug, ChartImageFormat format, const QDateTime& whenUtc)
{
    QString name = QStringLiteral("QORA-%1-%2").arg(slug, whenUtc.toUTC().toString(QStringLiteral("yyyyMMdd-HHmmss")));
    name.replace(u' ', u'-');
    return name + (format == ChartImageFormat::Png ? QStringLiteral(".png") : QStringLiteral(".svg"));
}

QByteArray ChartImageBytes(QWidget& widget, ChartImageFormat format, const QString& title)
{
    QFont font = widget.font();
    font.setBold(true);
    const int width = widget.width();
    const int band = TitleHeight(QFontMetrics(font), width, title);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (format == ChartImageFormat::Png) {
        const QPixmap chart = widget.grab();
        const qreal ratio = chart.devicePixelRatio();
        QImage image(QSize(width, band + widget.height()) * ratio, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(ratio);
        image.fill(Qt::white);
        QPainter painter(&image);
        DrawTitle(painter, font, width, band, title);
        painter.drawPixmap(0, band, chart);
        painter.end();
        if (!image.save(&buffer, "PNG"))
            return {};
        return bytes;
    }
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    const QSize size(width, band + widget.height());
    generator.setSize(size);
    generator.setViewBox(QRect(QPoint(0, 0), size));
    generator.setTitle(title);
    QPainter painter;
    if (!painter.begin(&generator))
        return {};
    DrawTitle(painter, font, width, band, title);
    widget.render(&painter, QPoint(0, band));
    painter.end();
    return bytes;
}

QString SaveChartImage(QWidget& widget, ChartImageFormat format, const QString& slug, const QString& title)
{
    const bool png = format == ChartImageFormat::Png;
    FileDialogRequest request;
    request.save = true;
    request.caption = png ? QStringLiteral("Save Chart as PNG") : QStringLiteral("Save Chart as SVG");
    request.initialPath = ChartFileName(slug, format, QDateTime::currentDateTimeUtc());
    request.filter = png ? QStringLiteral("PNG images (*.png);;All files (*)")
                         : QStringLiteral("SVG drawings (*.svg);;All files (*)");
    request.defaultSuffix = png ? QStringLiteral("png") : QStringLiteral("svg");
    const std::optional<QString> path = ShowFileDialog(request);
    if (!path || path->isEmpty())
        return {};

    QString reason;
    const QByteArray bytes = ChartImageBytes(widget, format, title);
    QSaveFile file(*path);
    if (bytes.isEmpty())
        reason = QStringLiteral("the picture could not be made");
    else if (!file.open(QIODevice::WriteOnly))
        reason = file.errorString();
    else if (file.write(bytes) != bytes.size() || !file.commit())
        reason = file.errorString();
    if (!reason.isEmpty()) {
        ReportFileNotSaved(*path, reason);
        ShowMessageBox(QStringLiteral("The chart could not be saved to %1:\n%2").arg(*path, reason), MsgIcon::Warning);
        return {};
    }
    ShowStatusMessage(QStringLiteral("Chart saved to %1").arg(*path));
    return *path;
}
