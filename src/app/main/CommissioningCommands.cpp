#include "app/main/CommissioningCommands.h"

#include "app/LocalConnection.h"
#include "app/ManagerSettings.h"
#include "app/frame/FrameCommands.h"
#include "app/frame/widgets/MainFrame.h"
#include "app/main/StatusWindows.h"
#include "link/CommHandler.h"
#include "platform/LogCategories.h"
#include "commissioning/procedure/widgets/CommFinishDlg.h"
#include "commissioning/procedure/widgets/CommissioningRunner.h"
#include "commissioning/WorkOrderReader.h"
#include "commissioning/verify/UnitReadBack.h"
#include "commissioning/verify/widgets/VerifyDlg.h"
#include "commissioning/report/widgets/QORSelectionDlg.h"
#include "commissioning/wizard/WorkOrderCheck.h"
#include "commissioning/wizard/widgets/CommissionWiz.h"
#include "platform/StringTable.h"
#include "platform/UserPrompts.h"
#include "status/constellation/ConstellationStatisticsView.h"
#include "status/history/StatusHistory.h"
#include "status/gps/GPSStatus.h"
#include "status/install/InstallStatus.h"

#include <QDir>
#include <QFileInfo>

namespace {
constexpr unsigned kWizardCaption = 61232;

CCommissionReport::Sources ReportSources(CStatusWindows& windows)
{
    CCommissionReport::Sources sources;
    sources.measuredPosition = [&windows] {
        const CGPSStatusView& view = windows.GpsStatus().View();
        return SMeasuredPosition{view.GetLatitudeDegrees(), view.GetLongitudeDegrees(), view.GetAltitudeMetres()};
    };
    sources.installation = [&windows] {
        InstallationSummary summary;
        windows.InstallStatus().GetInstallationSummary(summary);
        SInstallationSnapshot snapshot;
        snapshot.selfTestCode = summary.selfTests;
        snapshot.clockOutputCode = summary.clockOutput;
        snapshot.clockStateCode = summary.clockState;
        snapshot.q1Transmission = summary.transmission;
        snapshot.q1Time = summary.busTime;
        snapshot.gpsFix = summary.gpsFix;
        return snapshot;
    };
    sources.constellationVerdict = [] { return SharedConstellationStatistics().verdict; };
    return sources;
}

// The reader's own refusal as an error, then the plain closing message.
void TellOpenFailure(const WorkOrderOpenFailure& failure)
{
    if (failure.reading)
        ShowMessageBox(LoadResString(failure.reading->messageId), MsgIcon::Error);
    ShowMessageBox(LoadResString(failure.messageId), MsgIcon::None);
}
// The chosen unit's distName.
QString UnitName(const CWorkOrder& workOrder)
{
    const XmlPtr<xmlChar> name(xmlGetProp(workOrder.UnitElement(), BAD_CAST "distName"));
    return name ? QString::fromUtf8(reinterpret_cast<const char*>(name.get())) : QString();
}

// What the wizard would refuse or quietly replace among the chosen unit's
// values, told before the wizard opens with them; nothing when all pass, or
// when `told` already holds the same (it becomes what was told). The number
// of problems.
qsizetype TellWorkOrderProblems(const QString& path, const CWorkOrder& workOrder, QString& told)
{
    const QList<SWorkOrderProblem> problems = CheckWorkOrderUnit(workOrder);
    if (problems.isEmpty())
        return 0;
    const QString unit = UnitName(workOrder);
    QString text = QStringLiteral("The work order's values for the QORA unit %1 have problems. The "
                                  "Commissioning Wizard still opens with them; correct them there.\n")
                       .arg(unit);
    for (const SWorkOrderProblem& problem : problems)
        text += QStringLiteral("\n") + problem.Text();
    const QString key = path + QLatin1Char('\n') + text;
    if (key == told)
        return problems.size();
    told = key;
    qCWarning(lcCommissioning).noquote() << "work order unit" << unit << "has" << problems.size() << "problems";
    MessageBoxRequest request;
    request.caption = QStringLiteral("Work Order Check");
    request.text = text;
    request.icon = MsgIcon::Warning;
    ShowMessageBox(request);
    return problems.size();
}

// The status bar's work order pane: the file and the unit chosen in it.
void ShowOpenWorkOrder(CMainFrame& frame, const QString& path, const CWorkOrder* workOrder)
{
    if (!workOrder) {
        frame.SetWorkOrderText(QString(), QString());
        return;
    }
    const QString unit = UnitName(*workOrder);
    frame.SetWorkOrderText(QStringLiteral("Work order: %1, unit %2").arg(QFileInfo(path).fileName(), unit),
                           QStringLiteral("Work order %1, unit %2").arg(QDir::toNativeSeparators(path), unit));
}
} // namespace

CCommissioningCommands::CCommissioningCommands(CMainFrame& frame, CStatusWindows& statusWindows,
                                               CManagerSettings& settings)
    : frame_(frame)
    , statusWindows_(statusWindows)
    , settings_(settings)
    , runner_(std::make_unique<CCommissioningRunner>(&frame))
    , report_(ReportSources(statusWindows))
{
    frame.Controller().SetWorkflow(this);
    frame.SetCommandHandler(ID_OPEN_WORK_ORDER, [this] { ChooseWorkOrderFile(); });
    frame.SetCommandHandler(ID_COMMISSIONING_WIZARD, [this] { RunWizardCommand(); });
    frame.SetCommandHandler(ID_COMMISSIONING_REPORT, [this] { SaveReport(); });
}

CCommissioningCommands::~CCommissioningCommands()
{
    frame_.Controller().SetWorkflow(nullptr);
}

void CCommissioningCommands::DeleteWizard()
{
    wizard_.reset();
}

void CCommissioningCommands::ChooseWorkOrderFile()
{
    FileDialogRequest request;
    request.caption = QStringLiteral("Open Work Order");
    request.initialPath = QStringLiteral("*.xml");
    request.filter = QStringLiteral("Work Order Files (*.xml);;All files (*)");
    request.defaultSuffix = QStringLiteral("xml");
    if (const auto path = ShowFileDialog(request))
        OpenWorkOrderFile(*path);
}

bool CCommissioningCommands::OpenWorkOrderFile(const QString& path)
{
    problemsTold_.clear(); // opened by hand: its problems are told again
    return LoadWorkOrder(path, -1);
}

bool CCommissioningCommands::LoadWorkOrder(const QString& path, int unitNumber)
{
    // A unit number given at start-up is taken without asking.
    const UnitChooser choose = unitNumber >= 0
        ? UnitChooser([unitNumber](const QStringList&) { return unitNumber; })
        : UnitChooser([this](const QStringList& names) { return AskForUnit(names, &frame_); });
    const auto opened = OpenWorkOrder(path, choose, workOrder_, values_, workOrderPath_);
    // The status bar says how the opening went, so that a word about the
    // work order before never stands for this one.
    const QString file = QFileInfo(path).fileName();
    if (!opened) {
        TellOpenFailure(opened.Failure());
        ShowStatusMessage(QStringLiteral("Work order %1 not opened").arg(file));
    } else if (workOrder_) {
        const qsizetype problems = TellWorkOrderProblems(path, *workOrder_, problemsTold_);
        const QString unit = UnitName(*workOrder_);
        if (problems == 0)
            ShowStatusMessage(QStringLiteral("Work order %1 opened for unit %2: no problems found").arg(file, unit));
        else
            ShowStatusMessage(QStringLiteral("Work order %1 opened for unit %2: %3 to correct in the wizard")
                                  .arg(file, unit,
                                       problems == 1 ? QStringLiteral("1 problem")
                                                     : QStringLiteral("%1 problems").arg(problems)));
    }
    ShowOpenWorkOrder(frame_, path, workOrder_.get());

    // Whatever was recorded belonged to the document just replaced.
    report_.OnWorkOrderOpened();
    CMainFrameController& controller = frame_.Controller();
    controller.SetReportReady(false);
    controller.SetWorkOrderValuesPresent(opened && values_ != nullptr);
    frame_.CommandStateChanged();
    return static_cast<bool>(opened);
}

CCommissionWiz& CCommissioningCommands::Wizard()
{
    if (!wizard_) {
        CMainFrameController& controller = frame_.Controller();
        SWizardEnvironment environment;
        environment.isRemote = [&controller] { return controller.IsRemote(); };
        environment.advancedMode = [&controller] { return controller.AdvancedMode(); };
        environment.settingsIpAddress = [this] { return settings_.ipAddress; };
        wizard_ = std::make_unique<CCommissionWiz>(std::move(environment), &frame_);
        wizard_->setWindowTitle(LoadResString(kWizardCaption));
        wizard_->SetCommissioningRunner([this](const SCommissionValues& values) { return Commission(values); });
    }
    return *wizard_;
}

// The values are read again from the document each time, as the reading may
// have failed since it was opened; a failure leaves the pages as they are.
bool CCommissioningCommands::ApplyWorkOrder()
{
    if (!workOrder_ || !values_)
        return false;
    if (!ReadWorkOrderValues(*workOrder_, *values_))
        return false;
    Wizard().ApplyWorkOrderValues(*values_);
    return true;
}

bool CCommissioningCommands::Commission(const SCommissionValues& values)
{
    CMainFrameController& controller = frame_.Controller();
    SCommissioningHooks hooks;
    hooks.clearInProgress = [&controller] { controller.SetCommissioningRunning(false); };
    hooks.isRemote = [&controller] { return controller.IsRemote(); };
    hooks.recordResult = [this, &controller, values](bool success) {
        report_.RecordResult(workOrder_.get(), values, success);
        controller.SetReportReady(report_.IsReportReady());
    };
    committed_ = values;
    const bool done = runner_->RunCommissioning(values, hooks);
    frame_.CommandStateChanged();
    return done;
}

void CCommissioningCommands::RunWizardCommand()
{
    CCommissionWiz& wizard = Wizard();
    wizard.ResetPages();
    ApplyWorkOrder();
    if (wizard.ShowWizard() != CCommissionWiz::kFinishResult)
        return;
    CCommFinishDlg confirm(&frame_);
    if (confirm.exec() != QDialog::Accepted)
        return;

    CMainFrameController& controller = frame_.Controller();
    if (controller.IsRemote())
        controller.Handler().ClearQueues();
    controller.SetCommissioningRunning(true);
    if (!wizard.RunCommissioning())
        return;
    if (!controller.IsRemote()) {
        // The next local connection finds the unit at its new place.
        settings_.ipAddress = committed_.ipAddress;
        settings_.q1Address = static_cast<std::uint32_t>(committed_.q1Address);
        settings_.SaveSettings();
    }
    qCInfo(lcCommissioning, "commissioning written; the unit is reset to apply it");
    // The unit comes back where the tool sent it: the same unit, whose
    // status history goes on across the move.
    statusWindows_.History().ExpectMove(
        controller.IsRemote() ? controller.LastConnection() : BuildLocalConnectionString(settings_),
        QStringLiteral("commissioned"));
    verifyRemote_ = controller.IsRemote();
    controller.SendResetRequest();
    // It stays while the unit restarts and goes when the wait ends, so that
    // it never stands over the verification.
    ShowNotice(MessageBoxRequest{QStringLiteral("The unit acknowledged every value; QORA restarting with the new settings"),
                                 QString(), MsgIcon::Information, MsgButtons::Ok, std::nullopt});
}

void CCommissioningCommands::UnitNotBackAfterReset()
{
    CloseNotice();
    if (verifyRemote_)
        qCWarning(lcCommissioning, "verification dropped: the unit was not back after the reset");
    verifyRemote_.reset();
}

CVerifyDlg* CCommissioningCommands::VerificationWindow() const
{
    return verifyDlg_.data();
}

void CCommissioningCommands::UnitBackAfterReset()
{
    CloseNotice();
    if (!verifyRemote_)
        return; // a reset without a commissioning before it
    SUnitPlace place;
    place.remote = *verifyRemote_;
    if (!place.remote) {
        place.ipAddress = committed_.ipAddress;
        place.q1Address = committed_.q1Address;
    }
    verifyRemote_.reset();
    readBack_ = std::make_unique<CUnitReadBack>();
    readBack_->Start([this, place](const SUnitReadBack& read) {
        SVerification verification;
        verification.unitBack = true;
        verification.place = place;
        verification.rows = CompareReadBack(committed_, read, place);
        if (verification.Passed())
            qCInfo(lcCommissioning, "verification: every value read back as written");
        else
            qCWarning(lcCommissioning, "verification: other values read back for %s",
                      qUtf8Printable(verification.Mismatches().join(QStringLiteral(", "))));
        if (verifyDlg_)
            verifyDlg_->close();
        verifyDlg_ = new CVerifyDlg(verification, &frame_);
        verifyDlg_->setAttribute(Qt::WA_DeleteOnClose);
        verifyDlg_->show();
    });
}

void CCommissioningCommands::RunStartupCommissioning()
{
    CCommissionWiz& wizard = Wizard();
    ApplyWorkOrder();
    if (wizard.ShowWizard() != CCommissionWiz::kFinishResult)
        return;
    frame_.Controller().SetCommissioningRunning(true);
    wizard.RunCommissioning();
}

void CCommissioningCommands::SaveReport()
{
    report_.SaveReport(workOrder_.get());
}
