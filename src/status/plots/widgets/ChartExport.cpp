#include "status/plots/widgets/ChartExport.h"

#include "platform/SavedFile.h"
#include "platform/UserPrompts.h"

#include <QBuffer>
#include <QPainter>
#include <QPixmap>
#include <QSaveFile>
#include <QSvgGenerator>
#include <QWidget>

QByteArray ChartImageBytes(QWidget& widget, ChartImageFormat format, const QString& title)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (format == ChartImageFormat::Png) {
        if (!widget.grab().save(&buffer, "PNG"))
            return {};
        return bytes;
    }
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setSize(widget.size());
    generator.setViewBox(QRect(QPoint(0, 0), widget.size()));
    generator.setTitle(title);
    QPainter painter;
    if (!painter.begin(&generator))
        return {};
    widget.render(&painter);
    painter.end();
    return bytes;
}

QString SaveChartImage(QWidget& widget, ChartImageFormat format, const QString& baseName, const QString& title)
{
    const bool png = format == ChartImageFormat::Png;
    FileDialogRequest request;
    request.save = true;
    request.caption = png ? QStringLiteral("Save Chart as PNG") : QStringLiteral("Save Chart as SVG");
    request.initialPath = baseName + (png ? QStringLiteral(".png") : QStringLiteral(".svg"));
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
