// qora-icon-render: draws an SVG picture as a square PNG of each size given,
// for the icon theme folders of an installation. Used by the build only.
//
//   qora-icon-render SOURCE.svg OUTDIR NAME SIZE...
//   writes OUTDIR/SIZExSIZE/apps/NAME.png for each SIZE

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char* argv[])
{
    if (argc < 5) {
        std::fputs("usage: qora-icon-render SOURCE.svg OUTDIR NAME SIZE...\n", stderr);
        return 2;
    }
    // Drawing into an image needs no window system, so no application object.
    QSvgRenderer renderer(QString::fromLocal8Bit(argv[1]));
    if (!renderer.isValid()) {
        std::fprintf(stderr, "qora-icon-render: %s is not an SVG picture\n", argv[1]);
        return 1;
    }
    const QDir out(QString::fromLocal8Bit(argv[2]));
    const QString name = QString::fromLocal8Bit(argv[3]);
    for (int i = 4; i < argc; ++i) {
        bool ok = false;
        const int size = QByteArray(argv[i]).toInt(&ok);
        if (!ok || size < 8 || size > 1024) {
            std::fprintf(stderr, "qora-icon-render: %s is not a size from 8 to 1024\n", argv[i]);
            return 2;
        }
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter);
        painter.end();
        const QString folder = QStringLiteral("%1x%1/apps").arg(size);
        const QString path = out.filePath(folder + u'/' + name + QStringLiteral(".png"));
        if (!out.mkpath(folder) || !image.save(path, "PNG")) {
            std::fprintf(stderr, "qora-icon-render: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
