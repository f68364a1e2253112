#include "commissioning/verify/widgets/VerifyDlg.h"

#include "platform/SavedFile.h"
#include "platform/UserPrompts.h"

#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {
// The status windows' warning colour, on a light ground to stay readable.
const QColor kMismatchBackground(255, 210, 200);
const QColor kMismatchText(160, 32, 0);
constexpr int kDefaultWidth = 640;

// The summary is a line of qora-cli's output as well; here it is a sentence.
QString Sentence(QString text)
{
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    return text;
}
} // namespace

CVerifyDlg::CVerifyDlg(const SVerification& verification, QWidget* parent)
    : QDialog(parent), verification_(verification)
{
    setWindowTitle(QStringLiteral("Commissioning Verification"));
    auto* layout = new QVBoxLayout(this);
    summary_ = new QLabel(Sentence(VerificationSummary(verification, 0)), this);
    summary_->setWordWrap(true);
    summary_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(summary_);

    table_ = new QTableWidget(int(verification.rows.size()), 4, this);
    table_->setHorizontalHeaderLabels(
        {QStringLiteral("Parameter"), QStringLiteral("Written"), QStringLiteral("Read back"), QStringLiteral("Match")});
    table_->verticalHeader()->hide();
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setWordWrap(false);
    for (int row = 0; row < int(verification.rows.size()); ++row) {
        const SVerifyRow& r = verification.rows[std::size_t(row)];
        const QString cells[4] = {r.parameter, r.written, r.readBack,
                                  r.match ? QStringLiteral("yes") : QStringLiteral("NO")};
        for (int column = 0; column < 4; ++column) {
            auto* item = new QTableWidgetItem(cells[column]);
            item->setToolTip(cells[column]);
            if (!r.match) {
                item->setBackground(kMismatchBackground);
                item->setForeground(kMismatchText);
            }
            table_->setItem(row, column, item);
        }
    }
    // The written and read-back values share the room; names and verdicts
    // take what they need.
    QHeaderView* header = table_->horizontalHeader();
    header->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(1, QHeaderView::Stretch);
    header->setSectionResizeMode(2, QHeaderView::Stretch);
    header->setSectionResizeMode(3, QHeaderView::ResizeToContents);
    // As tall as its rows, so that the default size shows them all.
    table_->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
    table_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    layout->addWidget(table_, 1);

    const QStringList unreadable = UnreadableParameters(verification.place.remote);
    if (!unreadable.isEmpty()) {
        auto* note = new QLabel(QStringLiteral("Not readable on the unit: ") + unreadable.join(QStringLiteral(", ")), this);
        note->setWordWrap(true);
        layout->addWidget(note);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    save_ = buttons->addButton(QStringLiteral("&Save..."), QDialogButtonBox::ActionRole);
    save_->setToolTip(QStringLiteral("Saves the verification as JSON, as qora-cli commission --verify-report does"));
    copy_ = buttons->addButton(QStringLiteral("&Copy"), QDialogButtonBox::ActionRole);
    copy_->setToolTip(QStringLiteral("Copies the verification as text"));
    // Enter closes, as it did before there was more than Close.
    save_->setAutoDefault(false);
    copy_->setAutoDefault(false);
    buttons->button(QDialogButtonBox::Close)->setDefault(true);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(save_, &QPushButton::clicked, this, [this] { SaveReport(); });
    connect(copy_, &QPushButton::clicked, this, [this] { QApplication::clipboard()->setText(Text()); });
    layout->addWidget(buttons);

    // Its own size: every row in sight, as far as the screen allows.
    const QSize wanted = sizeHint().expandedTo(QSize(kDefaultWidth, 0));
    const QScreen* screen = parent ? parent->screen() : QApplication::primaryScreen();
    resize(screen ? wanted.boundedTo(screen->availableGeometry().size() * 9 / 10) : wanted);
}

QString CVerifyDlg::Text() const
{
    QStringList lines{Sentence(VerificationSummary(verification_, 0)), QString()};
    lines << VerificationTableLines(verification_);
    const QStringList unreadable = UnreadableParameters(verification_.place.remote);
    if (!unreadable.isEmpty())
        lines << QString() << QStringLiteral("Not readable on the unit: ") + unreadable.join(QStringLiteral(", "));
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

QString CVerifyDlg::SaveReport()
{
    FileDialogRequest request;
    request.save = true;
    request.caption = QStringLiteral("Save Verification");
    request.initialPath = QStringLiteral("QORA-verification-%1.json")
                              .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")));
    request.filter = QStringLiteral("JSON files (*.json);;All files (*)");
    request.defaultSuffix = QStringLiteral("json");
    const std::optional<QString> path = ShowFileDialog(request);
    if (!path || path->isEmpty())
        return {};
    QString error;
    if (!SaveVerificationJson(*path, verification_, error)) {
        ReportFileNotSaved(*path, error);
        ShowMessageBox(QStringLiteral("The verification could not be saved to %1:\n%2")
                           .arg(QDir::toNativeSeparators(*path), error),
                       MsgIcon::Warning);
        return {};
    }
    ShowStatusMessage(QStringLiteral("Verification saved to %1").arg(QDir::toNativeSeparators(*path)));
    return *path;
}
