#include "app/shell/AboutDlg.h"

#include "app/shell/SplashPicture.h"
#include "platform/StringTable.h"

#include <QDialogButtonBox>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// The picture with the version and build stamp written on it.
class AboutPicture : public QWidget {
public:
    explicit AboutPicture(QWidget* parent)
        : QWidget(parent),
          picture_(LoadBitmapResource(kSplashBitmapId)),
          version_(LoadResString(StringId::VersionText)),
          stamp_(CAboutDlg::BuildStamp())
    {
        // Room for the stamp even when a replacement picture is smaller.
        const QSize picture = picture_.deviceIndependentSize().toSize();
        setFixedSize(picture.expandedTo(QSize(kBuildStampAnchor.x() + 8, kBuildStampAnchor.y() + 16)));
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.drawPixmap(0, 0, picture_);
        p.setFont(SplashTextFont());
        p.setPen(SplashTextColor());
        DrawRightAlignedText(p, version_, kVersionTextAnchor);
        DrawRightAlignedText(p, stamp_, kBuildStampAnchor);
    }

private:
    QPixmap picture_;
    QString version_;
    QString stamp_;
};

} // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About Tavra QORA Manager"));
    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    auto* picture = new AboutPicture(this);
    picture->setObjectName(QStringLiteral("aboutPicture"));
    layout->addWidget(picture);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}

QString CAboutDlg::BuildStamp()
{
    return QStringLiteral(__DATE__ "  " __TIME__);
}
