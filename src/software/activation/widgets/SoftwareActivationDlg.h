#pragma once
// "Software Activation": shows the names of the active and the inactive
// firmware and, with Full Control, makes the inactive one active. A successful
// activation restarts the unit, so the dialog then hands over to the main
// frame's reset wait. The main frame opens it modally:
//   CSoftwareActivationDlg dlg(this);
//   dlg.SetConnectionDescription(description);
//   dlg.SetResetWaitCallback([this] { StartResetWait(); });
//   dlg.exec();

#include "platform/CallbackTarget.h"
#include "software/activation/SoftwareActivation.h"

#include <QDialog>

#include <functional>
#include <memory>

namespace Ui {
class SoftwareActivationDlg;
}

class CSoftwareActivationDlg : public QDialog {
    Q_OBJECT
public:
    using ResetWaitCallback = std::function<void()>;

    // Starts reading the names at once.
    explicit CSoftwareActivationDlg(QWidget* parent = nullptr);
    ~CSoftwareActivationDlg() override;

    // The caption reads "Software Activation - " and this description.
    void SetConnectionDescription(const QString& description);
    // Called once the unit has accepted the activation.
    void SetResetWaitCallback(ResetWaitCallback callback);

    [[nodiscard]] CSoftwareActivation& Activation() { return activation_; }

    void done(int result) override;

private:
    void OnNotice(unsigned message, MsgWParam wParam);
    void OnNamesRead(bool success);
    void OnActivated(bool success);
    void OnActivateClicked();

    std::unique_ptr<Ui::SoftwareActivationDlg> ui_;
    CSoftwareActivation activation_;
    CCallbackTarget target_;
    ResetWaitCallback resetWait_;
    QByteArray activeName_;
    QByteArray inactiveName_;
    bool ended_ = false;
};
