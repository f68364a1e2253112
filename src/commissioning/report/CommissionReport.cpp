#include "commissioning/report/CommissionReport.h"

#include "commissioning/report/ReportTexts.h"
#include "commissioning/report/WorkOrderWriter.h"
#include "platform/SavedFile.h"
#include "platform/StringTable.h"
#include "platform/UserPrompts.h"

namespace {
void SetText(CWorkOrder& w, const char* name, const QString& text)
{
    SetParameterText(w, QString::fromLatin1(name), text);
}

void SetInt(CWorkOrder& w, const char* name, std::int32_t value)
{
    SetParameterInt(w, QString::fromLatin1(name), value);
}

// Positions and altitudes go in as whole numbers; a value that is not a number
// leaves the parameter as it was.
void SetWhole(CWorkOrder& w, const char* name, const QString& text)
{
    if (!text.isEmpty())
        SetText(w, name, text);
}

void WriteMeasuredPosition(CWorkOrder& w, const SMeasuredPosition& position)
{
    SetWhole(w, "qorMeasuredLatitudeLocation", PositionText(position.latitudeDegrees));
    SetWhole(w, "qorMeasuredLongitudeLocation", PositionText(position.longitudeDegrees));
    SetWhole(w, "qorMeasuredAltitudeLocation", AltitudeCentimetresText(position.altitudeMetres));
}
} // namespace

void RecordResult(CWorkOrder& w, const SCommissionValues& v, bool success, const SReportStatus& status,
                  const QDateTime& localNow)
{
    const SInstallationSnapshot& install = status.installation;
    SetText(w, "installStatus",
            QStringLiteral("Commissioning ") + (success ? QStringLiteral("was successful") : QStringLiteral("failed")));
    SetText(w, "installDateTime", InstallDateTimeText(localNow));
    SetText(w, "installUser", v.userName);
    SetText(w, "installActions", v.actions);
    SetText(w, "installComments", v.comments);
    SetText(w, "installSelfTest", InstallStatusWord(install.selfTestCode));
    SetText(w, "installGPSFix", InstallShownText(install.gpsFix));
    SetText(w, "installClockOutput", InstallStatusWord(install.clockOutputCode));
    SetText(w, "installClockState", InstallStatusWord(install.clockStateCode));
    SetText(w, "installQ1Transmission", InstallShownText(install.q1Transmission));
    SetText(w, "installQ1Time", InstallShownText(install.q1Time));
    WriteMeasuredPosition(w, status.position);
    SetText(w, "GPSConstellation", ConstellationVerdictText(status.constellationVerdict));
    SetInt(w, "qorBtsFrDelay", v.frameClockDelayNs);
    SetInt(w, "qorBtsGpsDelay", v.gpsAntennaDelayNs);
    SetInt(w, "qorGPSAntennaAltitude", v.altitudeCm);
    SetWhole(w, "qorGPSAntennaLatitudeLocation", PositionText(v.latitude));
    SetWhole(w, "qorGPSAntennaLongitudeLocation", PositionText(v.longitude));
    SetText(w, "qorGPSMode", GpsModeText(v.positionLocked, v.selfSurvey));
    SetInt(w, "qorQ1Address", v.q1Address);
    SetInt(w, "qorQ1Speed", v.q1SpeedCode);
    SetText(w, "qorQ1Relay", YesNoText(v.q1Relay));
    SetText(w, "qorONEPPSmode", YesNoText(v.onePps));
    SetText(w, "qorQ1IP", v.ipAddress);
    SetText(w, "qorQ1GW", v.gatewayAddress);
    SetText(w, "qorQ1Mask", v.subnetMask);
}

void WriteReportStatus(CWorkOrder& w, const SReportStatus& status)
{
    const SInstallationSnapshot& install = status.installation;
    WriteMeasuredPosition(w, status.position);
    SetText(w, "installClockOutput", InstallStatusWord(install.clockOutputCode));
    SetText(w, "installGPSFix", InstallShownText(install.gpsFix));
    SetText(w, "installQ1Transmission", InstallShownText(install.q1Transmission));
    SetText(w, "installClockState", InstallStatusWord(install.clockStateCode));
    SetText(w, "installQ1Time", InstallShownText(install.q1Time));
    SetText(w, "installSelfTest", InstallStatusWord(install.selfTestCode));
    SetText(w, "GPSConstellation", ConstellationVerdictText(status.constellationVerdict));
}

CCommissionReport::CCommissionReport(Sources sources) : sources_(std::move(sources)) {}

SReportStatus CCommissionReport::CurrentStatus() const
{
    SReportStatus status;
    if (sources_.measuredPosition)
        status.position = sources_.measuredPosition();
    if (sources_.installation)
        status.installation = sources_.installation();
    if (sources_.constellationVerdict)
        status.constellationVerdict = sources_.constellationVerdict();
    return status;
}

void CCommissionReport::RecordResult(CWorkOrder* workOrder, const SCommissionValues& values, bool success)
{
    if (!workOrder || !workOrder->IsLoaded())
        return;
    const QDateTime now = sources_.now ? sources_.now() : QDateTime::currentDateTime();
    ::RecordResult(*workOrder, values, success, CurrentStatus(), now);
    ready_ = true;
}

QString CCommissionReport::SaveReport(CWorkOrder* workOrder)
{
    if (!workOrder || !workOrder->IsLoaded())
        return {};
    WriteReportStatus(*workOrder, CurrentStatus());

    FileDialogRequest request;
    request.save = true;
    request.caption = LoadResString(ReportStringId::SaveReportTitle);
    request.filter = QStringLiteral("Commission Report Files (*.xml);;All Files (*)");
    request.defaultSuffix = QStringLiteral("xml");
    const std::optional<QString> path = ShowFileDialog(request);
    if (!path || path->isEmpty())
        return {};

    reportPath_ = *path;
    const WorkOrderSaveResult result = SaveWorkOrder(*workOrder, *path);
    if (!result.saved) {
        ReportFileNotSaved(*path, result.error);
        ShowMessageBox(LoadResString(ReportStringId::CannotSave).arg(*path, result.error), MsgIcon::Error);
        return {};
    }
    OpenSavedFile(*path);
    return *path;
}
