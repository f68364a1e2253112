#pragma once
// "User Information": the unit's user name, date, comments and actions. Read
// when the dialog is made; editable only with Full Control, and then OK
// writes them back. The fields show the unit's texts whole; what the user
// types or pastes stops at each field's limit in bytes as the unit gets
// them, and a text the user left alone goes back byte for byte. The main
// frame opens it modally while connected:
//   CUserInfoDlg dlg(this); dlg.exec();

#include "data/system/UserData.h"
#include "platform/CallbackTarget.h"

#include <QDialog>

#include <memory>

namespace Ui {
class UserInfoDlg;
}

// Set when a field's text or the date changes, by the user or by the dialog
// filling it; shared by every User Information dialog of the process and
// never cleared.
struct UserInfoChangeFlags {
    bool name = false;
    bool comments = false;
    bool actions = false;
    bool date = false;

    [[nodiscard]] bool Any() const { return name || comments || actions || date; }
};

class CUserInfoDlg : public QDialog {
    Q_OBJECT
public:
    explicit CUserInfoDlg(QWidget* parent = nullptr);
    ~CUserInfoDlg() override;

    [[nodiscard]] CUserData& Group() { return group_; }
    [[nodiscard]] static UserInfoChangeFlags& ChangeFlags();

    void done(int result) override;

private:
    void OnNotice(unsigned message, MsgWParam wParam);
    void OnOk();
    void Fill();
    void SetFieldsEnabled(bool enabled);
    void OnTextChanged(bool& changeFlag, bool& edited);

    std::unique_ptr<Ui::UserInfoDlg> ui_;
    // Which texts the user changed since the dialog showed the unit's; the
    // others are written back as read.
    bool filling_ = false;
    bool nameEdited_ = false;
    bool commentsEdited_ = false;
    bool actionsEdited_ = false;
    CUserData group_;
    CCallbackTarget target_;
};
