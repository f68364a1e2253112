#pragma once
// "Software Download": runs one firmware download with its own engine, shows
// its progress, lets the user abort, and reports the outcome. The main frame
// runs it modally:
//   CMulticastDownloadDlg dlg(this);
//   dlg.SetTarget(target); dlg.SetMasterFile(path); dlg.SetChecksumChunkSize(size);
//   if (dlg.exec() == QDialog::Accepted) ... go on to activation
// Closing the window while the download runs aborts it at the unit.

#include "platform/MessageTarget.h"
#include "software/download/DownloadTarget.h"
#include "software/download/MulticastDownload.h"

#include <QDialog>
#include <QString>

#include <functional>
#include <memory>

namespace Ui {
class MulticastDownloadDlg;
}

class CMulticastDownloadDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kAnimationTimerId = 1;
    static constexpr int kAnimationPeriodMs = 100;

    explicit CMulticastDownloadDlg(QWidget* parent = nullptr);
    ~CMulticastDownloadDlg() override;

    void SetMasterFile(const QString& path) { masterPath_ = path; }
    // Out of range leaves the engine's default.
    void SetChecksumChunkSize(int size) { engine_.SetChecksumChunkSize(size); }
    void SetTarget(const SDownloadTarget& target) { engine_.SetTarget(target); }

    [[nodiscard]] CMulticastDownload& Engine() { return engine_; }

    // Starts the download, then runs the dialog; a download that cannot start
    // is reported and Rejected at once, without showing the dialog (or, when
    // a large image fails its check, as soon as the check ends).
    int exec() override;
    void done(int result) override;

private:
    // Receives the engine's notices and runs the animation timer.
    class CNoticeTarget : public CMessageTarget {
    public:
        std::function<void(unsigned, MsgWParam, MsgLParam)> onMessage;
        std::function<void(int)> onTimer;

    protected:
        MsgResult OnMessage(unsigned message, MsgWParam wParam, MsgLParam lParam) override;
        void OnTimer(int timerId) override;
    };

    bool Begin();
    void OnNotice(unsigned message, MsgWParam wParam, MsgLParam lParam);
    void OnProgress(int percent, MsgLParam source);
    void OnVerifying();
    void OnDone(bool success);
    void OnStartFailed();
    void OnAnimationTick();
    void OnAbort();

    std::unique_ptr<Ui::MulticastDownloadDlg> ui_;
    CMulticastDownload engine_;
    CNoticeTarget target_;
    QString masterPath_;
    QString captionPrefix_;
};
