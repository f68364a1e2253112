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
// What the wizard would refuse or quietly replace among the chosen unit's
// values, told before the wizard opens with them; nothing when all pass, or
// when `told` already holds the same (it becomes what was told).
void TellWorkOrderProblems(const QString& path, const CWorkOrder& workOrder, QString& told)
{
    const QList<SWorkOrderProblem> problems = CheckWorkOrderUnit(workOrder);
    if (problems.isEmpty())
        return;
    const XmlPtr<xmlChar> name(xmlGetProp(workOrder.UnitElement(), BAD_CAST "distName"));
    const QString unit = name ? QString::fromUtf8(reinterpret_cast<const char*>(name.get())) : QString();
    QString text = QStringLiteral("The work order's values for the QORA unit %1 have problems. The "
                                  "Commissioning Wizard still opens with them; correct them there.\n")
                       .arg(unit);
    for (const SWorkOrderProblem& problem : problems)
        text += QStringLiteral("\n") + problem.Text();
    const QString key = path + QLatin1Char('\n') + text;
    if (key == told)
        return;
    told = key;
    qCWarning(lcCommissioning).noquote() << "work order unit" << unit << "has" << problems.size() << "problems";
    MessageBoxRequest request;
    request.caption = QStringLiteral("Work Order Check");
    request.text = text;
    request.icon = MsgIcon::Warning;
    ShowMessageBox(request);
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
    if (const auto path = ShowFileDialog(request)) {
        problemsTold_.clear(); // opened by hand: its problems are told again
        LoadWorkOrder(*path, -1);
    }
}

bool CCommissioningCommands::LoadWorkOrder(const QString& path, int unitNumber)
{
    // A unit number given at start-up is taken without asking.
    const UnitChooser choose = unitNumber >= 0
        ? UnitChooser([unitNumber](const QStringList&) { return unitNumber; })
        : UnitChooser([this](const QStringList& names) { return AskForUnit(names, &frame_); });
    const auto opened = OpenWorkOrder(path, choose, workOrder_, values_, workOrderPath_);
    if (!opened)
        TellOpenFailure(opened.Failure());
    else if (workOrder_)
        TellWorkOrderProblems(path, *workOrder_, problemsTold_);

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
    ShowMessageBox(QStringLiteral("The unit acknowledged every value; QORA restarting with the new settings"),
                   MsgIcon::Information, MsgButtons::Ok);
}

CVerifyDlg* CCommissioningCommands::VerificationWindow() const
{
    return verifyDlg_.data();
}

void CCommissioningCommands::UnitBackAfterReset()
{
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
