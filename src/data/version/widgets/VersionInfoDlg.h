#pragma once
// "Version Information": the unit's identification and the firmware versions
// of both banks, read when the dialog opens. Display only.

#include "data/gps/GpsData.h"
#include "data/version/VersionData.h"

#include <QDialog>

#include <memory>

class CCallbackTarget;
class QLabel;

namespace Ui {
class VersionInfoDlg;
}

class CVersionInfoDlg : public QDialog {
    Q_OBJECT
public:
    explicit CVersionInfoDlg(QWidget* parent = nullptr);
    ~CVersionInfoDlg() override;

    [[nodiscard]] CVersionData& VersionData() { return version_; }

    // The value fields, for the frame's tests and screenshots: "unitVersion",
    // "hwVersion", "serialNumber", "swVersionActive", "swVersionInactive",
    // "gpsVersionActive", "gpsVersionInactive", "fpgaVersionActive",
    // "fpgaVersionInactive".
    [[nodiscard]] QString FieldText(const char* name) const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Start();
    void OnNotice(unsigned message, MsgWParam wParam, MsgLParam lParam);
    void ShowValues();

    Ui::VersionInfoDlg* ui_;
    CVersionData version_;
    CGPSData gps_; // read first; the dialog does not show it
    std::unique_ptr<CCallbackTarget> notices_;
    bool started_ = false;
    bool ended_ = false; // the reading problem was reported
};
