#include "traffic/widgets/TrafficWindow.h"

#include "platform/LogCategories.h"
#include "platform/UserPrompts.h"
#include "platform/widgets/HelpKey.h"
#include "traffic/RecordingReader.h"
#include "traffic/TrafficTableModel.h"

#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>

namespace {

const QString kRecordingFilter = QStringLiteral("Traffic recordings (*.jsonl);;All files (*)");

// Where a new window goes: inside the MDI area of the window it was opened
// from, or on its own.
void Place(CTrafficWindow* window, QWidget& beside)
{
    QMdiArea* area = nullptr;
    for (QWidget* w = &beside; w && !area; w = w->parentWidget())
        area = qobject_cast<QMdiArea*>(w);
    if (area) {
        QMdiSubWindow* sub = area->addSubWindow(window);
        sub->setAttribute(Qt::WA_DeleteOnClose);
        sub->show();
        area->setActiveSubWindow(sub);
    } else {
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->show();
    }
}

} // namespace

CTrafficWindow::CTrafficWindow(CTrafficTableModel* model, const QString& title, QWidget* parent)
    : QWidget(parent), model_(model)
{
    model_->setParent(this);
    setWindowTitle(title);
    setObjectName(QStringLiteral("TrafficWindow"));

    filter_ = new QLineEdit(this);
    filter_->setPlaceholderText(QStringLiteral("Filter: summary, route, result or hex bytes"));
    filter_->setClearButtonEnabled(true);
    pause_ = new QPushButton(QStringLiteral("&Pause"), this);
    pause_->setCheckable(true);
    clear_ = new QPushButton(QStringLiteral("C&lear"), this);
    copy_ = new QPushButton(QStringLiteral("&Copy"), this);
    open_ = new QPushButton(QStringLiteral("&Open Recording..."), this);
    count_ = new QLabel(this);
    auto* bar = new QHBoxLayout;
    bar->addWidget(filter_, 1);
    bar->addWidget(pause_);
    bar->addWidget(clear_);
    bar->addWidget(copy_);
    bar->addWidget(open_);
    bar->addWidget(count_);
    // A recording is what it is: nothing to pause or clear.
    pause_->setVisible(model_->IsLive());
    clear_->setVisible(model_->IsLive());

    table_ = new QTableView(this);
    table_->setModel(model_);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table_->setWordWrap(false);
    table_->setAlternatingRowColors(false);
    table_->verticalHeader()->hide();
    // Fixed row heights keep a hundred thousand rows cheap to lay out.
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);
    ApplyColumnWidths();

    detail_ = new QPlainTextEdit(this);
    detail_->setReadOnly(true);
    detail_->setLineWrapMode(QPlainTextEdit::NoWrap);
    detail_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    detail_->setPlaceholderText(QStringLiteral("Select a row to see its exchange's bytes."));

    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(table_);
    split->addWidget(detail_);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(bar);
    layout->addWidget(split, 1);

    connect(filter_, &QLineEdit::textChanged, this, [this](const QString& text) {
        model_->SetFilter(text);
        UpdateCount();
    });
    connect(pause_, &QPushButton::toggled, this, [this](bool paused) {
        model_->SetPaused(paused);
        UpdateCount();
    });
    connect(clear_, &QPushButton::clicked, this, [this] {
        model_->Clear();
        detail_->clear();
        UpdateCount();
    });
    connect(copy_, &QPushButton::clicked, this, &CTrafficWindow::CopySelection);
    connect(open_, &QPushButton::clicked, this, &CTrafficWindow::AskAndOpenRecording);
    auto* copyKey = new QShortcut(QKeySequence::Copy, table_);
    copyKey->setContext(Qt::WidgetShortcut);
    connect(copyKey, &QShortcut::activated, this, &CTrafficWindow::CopySelection);

    connect(table_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { ShowDetail(current.isValid() ? current.row() : -1); });
    // The view follows the newest row until the engineer scrolls away from
    // the bottom or pauses; back at the bottom it follows again. New rows,
    // a new filter and every change of the view's size keep the newest row
    // in sight while following, also when the window first opens.
    QScrollBar* vertical = table_->verticalScrollBar();
    connect(vertical, &QScrollBar::valueChanged, this, [this, vertical](int value) {
        if (!scrollingToNewest_)
            following_ = value >= vertical->maximum();
    });
    connect(vertical, &QScrollBar::rangeChanged, this, [this] { ShowNewest(); });
    connect(model_, &QAbstractItemModel::rowsInserted, this, [this] { ShowNewest(); });
    connect(model_, &CTrafficTableModel::CaughtUp, this, &CTrafficWindow::UpdateCount);
    AddHelpKey(*this, [this] {
        if (help_)
            help_();
    });
    connect(model_, &QAbstractItemModel::modelReset, this, &CTrafficWindow::UpdateCount);
    UpdateCount();
}

QSize CTrafficWindow::sizeHint() const
{
    return {860, 480};
}

void CTrafficWindow::ApplyColumnWidths()
{
    const QFontMetrics metrics = table_->fontMetrics();
    const auto width = [&metrics](const char* sample) {
        return metrics.horizontalAdvance(QString::fromLatin1(sample)) + 16;
    };
    QHeaderView* header = table_->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setStretchLastSection(false);
    table_->setColumnWidth(CTrafficTableModel::TimeColumn, width("00:00:00.000"));
    table_->setColumnWidth(CTrafficTableModel::DirectionColumn, width("Direction"));
    table_->setColumnWidth(CTrafficTableModel::RouteColumn, width("wp=opt,pr=q1ad"));
    table_->setColumnWidth(CTrafficTableModel::BytesColumn, width("Bytes 00"));
    table_->setColumnWidth(CTrafficTableModel::ResultColumn, width("2 - unit did not answer"));
    table_->setColumnWidth(CTrafficTableModel::RoundTripColumn, width("Round Trip"));
    header->setSectionResizeMode(CTrafficTableModel::SummaryColumn, QHeaderView::Stretch);
}

void CTrafficWindow::ShowNewest()
{
    if (!following_ || model_->IsPaused() || scrollingToNewest_)
        return;
    scrollingToNewest_ = true;
    table_->scrollToBottom();
    scrollingToNewest_ = false;
}

void CTrafficWindow::UpdateCount()
{
    const std::size_t exchanges = model_->ExchangeCount();
    QString text = QStringLiteral("%1 exchanges").arg(exchanges);
    if (!model_->Filter().isEmpty())
        text = QStringLiteral("%1 of %2 exchanges").arg(model_->rowCount() / 2).arg(exchanges);
    if (model_->IsPaused())
        text += QStringLiteral(", paused");
    if (!model_->IsLive())
        text += QStringLiteral(", read only");
    count_->setText(text);
}

void CTrafficWindow::ShowDetail(int row)
{
    if (row < 0) {
        detail_->clear();
        return;
    }
    const auto exchange = model_->ExchangeAt(row);
    detail_->setPlainText(exchange ? ExchangeDetailText(*exchange)
                                   : QStringLiteral("This exchange is no longer held: newer traffic took its place."));
}

void CTrafficWindow::CopySelection()
{
    std::vector<int> rows;
    for (const QModelIndex& index : table_->selectionModel()->selectedRows())
        rows.push_back(index.row());
    if (rows.empty())
        return;
    QApplication::clipboard()->setText(model_->RowsAsText(std::move(rows)));
}

CTrafficWindow* CTrafficWindow::AskAndOpenRecording()
{
    FileDialogRequest request;
    request.caption = QStringLiteral("Open Recording");
    request.filter = kRecordingFilter;
    const std::optional<QString> path = ShowFileDialog(request);
    if (!path)
        return nullptr;
    CTrafficWindow* window = OpenRecording(*path, *this);
    if (window)
        window->SetHelp(help_);
    return window;
}

CTrafficWindow* CTrafficWindow::OpenLive(QMdiArea& area, CTrafficRing& ring)
{
    auto* window = new CTrafficWindow(new CTrafficTableModel(ring), QString::fromLatin1(kTitle));
    Place(window, area);
    return window;
}

CTrafficWindow* CTrafficWindow::OpenRecording(const QString& path, QWidget& beside)
{
    QString error;
    auto exchanges = ReadRecordingFile(path, error);
    if (!exchanges) {
        qCWarning(lcLink).noquote() << "recording not shown:" << error;
        ShowMessageBox(QStringLiteral("The recording cannot be shown.\n\n%1").arg(error), MsgIcon::Warning,
                       MsgButtons::Ok);
        return nullptr;
    }
    auto* window = new CTrafficWindow(new CTrafficTableModel(std::move(*exchanges)),
                                      QStringLiteral("%1 - %2").arg(QString::fromLatin1(kTitle), QFileInfo(path).fileName()));
    Place(window, beside);
    return window;
}
