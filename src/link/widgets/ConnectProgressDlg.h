#pragma once
// The modeless "Connecting" window over the connecting progress.

#include "link/ConnectProgress.h"

#include <QDialog>

namespace Ui {
class ConnectProgressDlg;
}

class CConnectProgressDlg : public QDialog, public IConnectProgressView {
    Q_OBJECT
public:
    explicit CConnectProgressDlg(CConnectProgress& progress, QWidget* parent = nullptr);
    ~CConnectProgressDlg() override;

    void SetRange(int lower, int upper) override;
    void SetPosition(int position) override;
    void EnableCancel(bool enable) override;
    void ShowView() override;
    void DestroyView() override;

    // Makes the handler show this window while a connection opens.
    static void Install();

protected:
    void reject() override; // Cancel and Escape
    void closeEvent(QCloseEvent* event) override;

private:
    Ui::ConnectProgressDlg* ui_;
    CConnectProgress* progress_;
};
