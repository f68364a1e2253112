#include "commissioning/verify/widgets/VerifyDlg.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {
// The status windows' warning colour, on a light ground to stay readable.
const QColor kMismatchBackground(255, 210, 200);
const QColor kMismatchText(160, 32, 0);
} // namespace

CVerifyDlg::CVerifyDlg(const SVerification& verification, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Commissioning Verification"));
    auto* layout = new QVBoxLayout(this);
    summary_ = new QLabel(VerificationSummary(verification, 0), this);
    summary_->setWordWrap(true);
    layout->addWidget(summary_);

    table_ = new QTableWidget(int(verification.rows.size()), 4, this);
    table_->setHorizontalHeaderLabels(
        {QStringLiteral("Parameter"), QStringLiteral("Written"), QStringLiteral("Read back"), QStringLiteral("Match")});
    table_->verticalHeader()->hide();
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    for (int row = 0; row < int(verification.rows.size()); ++row) {
        const SVerifyRow& r = verification.rows[std::size_t(row)];
        const QString cells[4] = {r.parameter, r.written, r.readBack,
                                  r.match ? QStringLiteral("yes") : QStringLiteral("NO")};
        for (int column = 0; column < 4; ++column) {
            auto* item = new QTableWidgetItem(cells[column]);
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
    layout->addWidget(table_);

    const QStringList unreadable = UnreadableParameters(verification.place.remote);
    if (!unreadable.isEmpty())
        layout->addWidget(new QLabel(QStringLiteral("Not readable on the unit: ") + unreadable.join(QStringLiteral(", ")),
                                     this));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(640, 460);
}
