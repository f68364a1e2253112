#pragma once
// "Reading Constellation Log": a progress bar that fills ever more slowly and
// an Abort button while the unit's position and statistics are fetched. The
// version group is read alongside so the log carries the serial number.

#include "data/constlog/ConstLogData.h"
#include "data/version/VersionData.h"

#include <QDialog>

#include <memory>

class CCallbackTarget;
class QTimer;

namespace Ui {
class ConstLogDlg;
}

// The bar's schedule: one step per tick at first; every 40 ticks the steps
// come half as often; it stops at 99 (the bar shows full from 50 on).
class CConstLogProgress {
public:
    static constexpr int kRange = 50;
    static constexpr int kMaxDivisor = 1 << 20;
    // True when the position moved.
    bool Tick();
    [[nodiscard]] int Position() const { return position_; }

private:
    int ticks_ = 0;
    int position_ = 0;
    int divisor_ = 1;
};

class CConstLogDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kAbortResult = 3;
    static constexpr int kTimerId = 5000;
    static constexpr int kTickMs = 10;

    explicit CConstLogDlg(QWidget* parent = nullptr);
    ~CConstLogDlg() override;

    [[nodiscard]] CConstLogData& ConstLogData() { return constLog_; }
    [[nodiscard]] CVersionData& VersionData() { return version_; }
    [[nodiscard]] int ProgressPosition() const;

public slots:
    void Abort();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Start();
    void OnTick();
    void OnNotice(unsigned message, MsgWParam wParam, MsgLParam lParam);
    void StopListening();

    Ui::ConstLogDlg* ui_;
    CVersionData version_;
    CConstLogData constLog_;
    std::unique_ptr<CCallbackTarget> notices_;
    QTimer* timer_;
    CConstLogProgress schedule_;
    bool started_ = false;
    bool listening_ = false;
};
