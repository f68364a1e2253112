#include "fleet/widgets/FleetOverviewWindow.h"

#include "fleet/FleetOverviewModel.h"
#include "fleet/FleetOverviewSweep.h"
#include "fleet/FleetTable.h"
#include "platform/LogCategories.h"
#include "platform/SavedFile.h"
#include "platform/UserPrompts.h"
#include "rks/RksNodeDirectory.h"
#include "settings/widgets/WidgetPlacement.h"

#include <QAction>
#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QProgressBar>
#include <QPainter>
#include <QPushButton>
#include <QSaveFile>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// A filled cell (the health, an amber status) keeps its colour when its row
// is selected (the selection shows as a frame), so a selected unit does not
// look healthy.
class CHealthDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const QVariant fill = index.data(Qt::BackgroundRole);
        if (!fill.canConvert<QColor>()) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        QStyleOptionViewItem item(option);
        initStyleOption(&item, index);
        painter->save();
        painter->fillRect(item.rect, fill.value<QColor>());
        painter->setPen(index.data(Qt::ForegroundRole).value<QColor>());
        painter->setFont(item.font);
        painter->drawText(item.rect.adjusted(4, 0, -4, 0), Qt::AlignVCenter | Qt::AlignLeft, item.text);
        if (item.state & QStyle::State_Selected) {
            painter->setPen(QPen(item.palette.color(QPalette::Highlight), 2));
            painter->drawRect(QRectF(item.rect).adjusted(1, 1, -1, -1));
        }
        painter->restore();
    }
};

} // namespace

const QString CFleetOverviewWindow::kLayoutKey = QStringLiteral("Software\\QORAManager\\Settings\\Coordinates");
const QString CFleetOverviewWindow::kLayoutName = QStringLiteral("FleetOverviewWnd");

namespace {
const QString kExpectedFirmwareValue = CFleetOverviewWindow::kLayoutName + QStringLiteral(" expected firmware");
} // namespace

CFleetOverviewWindow::CFleetOverviewWindow(QWidget* parent)
    : QMdiSubWindow(parent), model_(new CFleetOverviewModel(this)), sweep_(new CFleetOverviewSweep(this))
{
    setWindowTitle(QStringLiteral("Fleet Overview"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    auto* content = new QWidget(this);
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(4, 4, 4, 4);

    auto* controls = new QHBoxLayout;
    // The letters of the main menus (File, View, Run, ...) are taken.
    refresh_ = new QPushButton(QStringLiteral("R&efresh"), content);
    refresh_->setToolTip(QStringLiteral("Reads every unit of the node directory"));
    stop_ = new QPushButton(QStringLiteral("S&top"), content);
    stop_->setToolTip(QStringLiteral("Starts no further unit; the units being read finish"));
    auto* jobsLabel = new QLabel(QStringLiteral("&Connections at once:"), content);
    jobs_ = new QSpinBox(content);
    jobs_->setRange(1, kFleetMaxJobs);
    jobs_->setValue(kFleetDefaultJobs);
    jobsLabel->setBuddy(jobs_);
    auto* expectedLabel = new QLabel(QStringLiteral("E&xpected firmware:"), content);
    expected_ = new QLineEdit(content);
    expected_->setPlaceholderText(QStringLiteral("the newest read"));
    expected_->setToolTip(QStringLiteral("Units on an older release show \"Old firmware\"; "
                                         "when empty, the newest firmware the overview read is expected"));
    expected_->setMaxLength(64);
    expectedLabel->setBuddy(expected_);
    export_ = new QPushButton(QStringLiteral("Ex&port CSV..."), content);
    export_->setToolTip(QStringLiteral("Saves the units read as the fleet status CSV"));
    progress_ = new QProgressBar(content);
    progress_->setRange(0, 1);
    progress_->setValue(0);
    progress_->setFormat(QStringLiteral("%v of %m"));
    controls->addWidget(refresh_);
    controls->addWidget(stop_);
    controls->addSpacing(12);
    controls->addWidget(jobsLabel);
    controls->addWidget(jobs_);
    controls->addSpacing(12);
    controls->addWidget(expectedLabel);
    controls->addWidget(expected_);
    controls->addSpacing(12);
    controls->addWidget(progress_, 1);
    controls->addWidget(export_);
    layout->addLayout(controls);

    directory_ = new QLabel(content);
    directory_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(directory_);

    table_ = new QTableView(content);
    table_->setModel(model_);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->setVisible(false);
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder); // directory order until asked
    table_->setSortingEnabled(true);
    table_->setWordWrap(false);
    table_->setToolTip(QStringLiteral("Double-click a unit to open a remote connection to it"));
    for (const int column : {CFleetOverviewModel::HealthColumn, CFleetOverviewModel::SelfTestColumn,
                             CFleetOverviewModel::GpsFixColumn, CFleetOverviewModel::ClockStateColumn,
                             CFleetOverviewModel::VerdictColumn})
        table_->setItemDelegateForColumn(column, new CHealthDelegate(table_));
    // The long connection string goes last, so that the unit's state shows
    // without scrolling; it is the same in the tool tip.
    table_->horizontalHeader()->moveSection(table_->horizontalHeader()->visualIndex(CFleetOverviewModel::ConnectionColumn),
                                            CFleetOverviewModel::kColumnCount - 1);
    layout->addWidget(table_, 1);

    summary_ = new QLabel(content);
    summary_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(summary_);
    setWidget(content);

    // F1 anywhere in the window shows its help page.
    auto* help = new QAction(this);
    help->setShortcut(QKeySequence(Qt::Key_F1));
    help->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(help, &QAction::triggered, this, [this] {
        if (help_)
            help_();
    });
    addAction(help);

    connect(refresh_, &QPushButton::clicked, this, [this] { Refresh(); });
    connect(stop_, &QPushButton::clicked, this, &CFleetOverviewWindow::StopSweep);
    connect(table_, &QTableView::doubleClicked, this, [this](const QModelIndex& index) { OpenRow(index.row()); });
    connect(export_, &QPushButton::clicked, this, [this] { ExportCsv(); });
    connect(expected_, &QLineEdit::editingFinished, this, [this] {
        model_->SetExpectedFirmware(expected_->text());
        UpdateSummary();
    });
    connect(sweep_, &CFleetOverviewSweep::UnitRead, this,
            [this](std::size_t unit, const SFleetUnitHealth& health) {
                model_->SetHealth(unit, health, clock_ ? clock_() : QDateTime::currentMSecsSinceEpoch());
                OnUnitRead(unit);
            });
    connect(sweep_, &CFleetOverviewSweep::Finished, this, &CFleetOverviewWindow::OnFinished);
    progressTimer_ = new QTimer(this);
    progressTimer_->setSingleShot(true);
    progressTimer_->setInterval(kProgressIntervalMs);
    connect(progressTimer_, &QTimer::timeout, this, &CFleetOverviewWindow::ShowProgress);
    resize(980, 420);
    UpdateControls();
}

CFleetOverviewWindow::~CFleetOverviewWindow() = default;

void CFleetOverviewWindow::ShowAndRaise()
{
    if (!placed_) {
        placed_ = true;
        LoadLayout();
    }
    if (model_->UnitCount() == 0 && !sweep_->Running())
        LoadDirectory();
    show();
    raise();
    if (QMdiArea* area = mdiArea())
        area->setActiveSubWindow(this);
}

bool CFleetOverviewWindow::LoadDirectory()
{
    if (sweep_->Running())
        return false; // the sweep's results go to the rows as they are
    const QString path = RksConfiguredDirectory();
    directoryError_.clear();
    CRksNodeDirectory directory;
    QString why;
    if (path.isEmpty()) {
        directoryError_ = QStringLiteral("No node directory: the network browser has none configured "
                                         "(set QORA_RKS_DIRECTORY or the service's Directory).");
    } else if (!directory.Load(path, why)) {
        // The units listed so far stay, so nothing read is lost.
        directoryError_ = QStringLiteral("The node directory could not be read: %1").arg(why);
    }
    directory_->setText(path.isEmpty() ? QStringLiteral("Node directory: none")
                                       : QStringLiteral("Node directory: %1").arg(QDir::toNativeSeparators(path)));
    if (!directoryError_.isEmpty()) {
        qCWarning(lcLink, "fleet overview: %s", qPrintable(directoryError_));
        UpdateSummary();
        return false;
    }
    model_->SetUnits(FleetUnitsOf(directory.Root()));
    const QHeaderView* header = table_->horizontalHeader();
    if (header->sortIndicatorSection() >= 0)
        model_->sort(header->sortIndicatorSection(), header->sortIndicatorOrder());
    progress_->setRange(0, std::max(1, int(model_->UnitCount())));
    progress_->setValue(0);
    if (!columnsRestored_)
        table_->resizeColumnsToContents();
    FitStateColumns(); // rows kept from the last refresh are drawn in italics
    UpdateSummary();
    return true;
}

bool CFleetOverviewWindow::Refresh()
{
    if (sweep_->Running() || !LoadDirectory())
        return false;
    if (model_->UnitCount() == 0) {
        directoryError_ = QStringLiteral("The node directory lists no units.");
        UpdateSummary();
        return false;
    }
    const bool started = sweep_->Start(model_->Connections(), jobs_->value());
    UpdateControls();
    UpdateSummary();
    return started;
}

void CFleetOverviewWindow::StopSweep()
{
    sweep_->Stop();
    UpdateControls();
    UpdateSummary();
}

void CFleetOverviewWindow::OnUnitRead(std::size_t)
{
    // Thousands of units may come in within seconds: the progress and the
    // summary follow a few times a second, not once per unit.
    if (!progressTimer_->isActive())
        progressTimer_->start();
}

void CFleetOverviewWindow::ShowProgress()
{
    progress_->setValue(int(model_->ReadCount()));
    UpdateSummary();
}

void CFleetOverviewWindow::OnFinished(bool)
{
    progressTimer_->stop();
    progress_->setValue(int(model_->ReadCount()));
    // Rows were left where they were while the units came in; the order
    // asked for applies to the values now read.
    const QHeaderView* header = table_->horizontalHeader();
    if (header->sortIndicatorSection() >= 0)
        model_->sort(header->sortIndicatorSection(), header->sortIndicatorOrder());
    if (!columnsRestored_)
        table_->resizeColumnsToContents();
    FitStateColumns();
    UpdateControls();
    UpdateSummary();
}

void CFleetOverviewWindow::FitStateColumns()
{
    // The health and the reason never show cut, whatever widths were saved;
    // a reason is held to a width that leaves the other columns in view.
    const int maxError = std::max(260, table_->viewport()->width() / 2);
    for (const int column : {int(CFleetOverviewModel::HealthColumn), int(CFleetOverviewModel::ErrorColumn)}) {
        int wanted = static_cast<const QAbstractItemView*>(table_)->sizeHintForColumn(column);
        wanted = std::max(wanted, table_->horizontalHeader()->sectionSizeHint(column));
        if (column == CFleetOverviewModel::ErrorColumn)
            wanted = std::min(wanted, maxError);
        if (table_->columnWidth(column) < wanted)
            table_->setColumnWidth(column, wanted);
    }
}

QString CFleetOverviewWindow::ExportCsv()
{
    const std::vector<SFleetRow> rows = model_->ReadRows();
    if (rows.empty()) {
        ShowMessageBox(QStringLiteral("No unit has been read yet: Refresh reads them."), MsgIcon::Information);
        return {};
    }
    FileDialogRequest request;
    request.save = true;
    request.caption = QStringLiteral("Export Fleet Status as CSV");
    request.initialPath = QStringLiteral("QORA-fleet-status-%1.csv")
                              .arg(QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss")));
    request.filter = QStringLiteral("CSV files (*.csv);;All files (*)");
    request.defaultSuffix = QStringLiteral("csv");
    const std::optional<QString> path = ShowFileDialog(request);
    if (!path || path->isEmpty())
        return {};
    const QByteArray bytes = FleetCsv(rows);
    QSaveFile file(*path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        const QString reason = file.errorString();
        ReportFileNotSaved(*path, reason);
        ShowMessageBox(QStringLiteral("The fleet status could not be exported to %1:\n%2").arg(*path, reason),
                       MsgIcon::Warning);
        return {};
    }
    ShowStatusMessage(QStringLiteral("Fleet status exported to %1").arg(*path));
    return *path;
}

void CFleetOverviewWindow::OpenRow(int row)
{
    const QString name = model_->UnitName(row);
    if (name.isEmpty() || !openUnit_)
        return;
    // A unit the overview could not reach: its own reason first, rather than
    // the connection's general one after another wait.
    if (model_->HealthAt(row) == EFleetHealth::Unreachable) {
        QString reason = model_->UnitError(row);
        if (reason.isEmpty())
            reason = QStringLiteral("it did not answer");
        MessageBoxRequest request;
        request.text = QStringLiteral("%1 could not be reached when the overview read it:\n%2\n\n"
                                      "Open a remote connection to it anyway?")
                           .arg(name, reason);
        request.icon = MsgIcon::Warning;
        request.buttons = MsgButtons::YesNo;
        request.defaultAnswer = MsgAnswer::No;
        if (ShowMessageBox(request) != MsgAnswer::Yes)
            return;
    }
    openUnit_(name);
}

void CFleetOverviewWindow::UpdateControls()
{
    const bool running = sweep_->Running();
    refresh_->setEnabled(!running);
    stop_->setEnabled(running && !sweep_->Stopping());
    jobs_->setEnabled(!running);
}

void CFleetOverviewWindow::UpdateSummary()
{
    QString text = model_->Summary();
    if (sweep_->Stopping())
        text = QStringLiteral("Stopping, the units being read finish first. ") + text;
    else if (sweep_->Running())
        text = QStringLiteral("Reading... ") + text;
    if (!directoryError_.isEmpty())
        text = directoryError_ + u' ' + text;
    summary_->setText(text);
}

bool CFleetOverviewWindow::SaveLayout()
{
    CRegistry registry(RegRoot::CurrentUser);
    const bool placed = SaveWidgetPlacement(registry, *this, kLayoutKey, kLayoutName);
    std::vector<std::uint32_t> widths;
    for (int column = 0; column < model_->columnCount(); ++column)
        widths.push_back(std::uint32_t(table_->columnWidth(column)));
    const bool columns = registry.SaveObject(kLayoutKey, kLayoutName + QStringLiteral(" columns"), widths);
    bool expected = registry.CreateKey(RegRoot::CurrentUser, kLayoutKey) &&
                    registry.WriteString(kExpectedFirmwareValue, model_->ExpectedFirmware());
    expected = registry.CloseKey() && expected;
    return placed && columns && expected;
}

bool CFleetOverviewWindow::LoadLayout()
{
    CRegistry registry(RegRoot::CurrentUser);
    const bool placed = LoadWidgetPlacement(registry, *this, kLayoutKey, kLayoutName);
    std::vector<std::uint32_t> widths;
    const bool columns = registry.LoadObject(kLayoutKey, kLayoutName + QStringLiteral(" columns"), widths);
    const int count = std::min<int>(model_->columnCount(), int(widths.size()));
    for (int column = 0; column < count; ++column) {
        const int width = int(widths[std::size_t(column)] & 0xFFFFu);
        if (width > 0)
            table_->setColumnWidth(column, width);
    }
    columnsRestored_ = count > 0;
    QString expected;
    if (registry.OpenKeyForRead(RegRoot::CurrentUser, kLayoutKey) && registry.ReadString(kExpectedFirmwareValue, expected)) {
        expected_->setText(expected);
        model_->SetExpectedFirmware(expected);
    }
    registry.CloseKey();
    return placed && columns;
}

void CFleetOverviewWindow::closeEvent(QCloseEvent* event)
{
    // The main frame keeps the window for the session; a sweep goes on.
    event->ignore();
    SaveLayout();
    hide();
}
