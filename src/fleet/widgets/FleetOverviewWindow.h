#pragma once
// "Fleet Overview": the units of the node directory in a table with their
// health, a Refresh that reads them all in the background with a progress
// bar and a Stop (the rows keep what was read before until each unit is read
// again), the firmware the units are compared with, an export of the table
// as the fleet status CSV, and a double click that asks for a remote
// connection to the unit. A child of the main frame's window area; closing
// only hides it.

#include <QMdiSubWindow>

#include <cstdint>
#include <functional>

class CFleetOverviewModel;
class CFleetOverviewSweep;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTableView;
class QTimer;

class CFleetOverviewWindow : public QMdiSubWindow {
    Q_OBJECT
public:
    static const QString kLayoutKey;
    static const QString kLayoutName;
    static constexpr int kProgressIntervalMs = 100;

    explicit CFleetOverviewWindow(QWidget* parent = nullptr);
    ~CFleetOverviewWindow() override;

    // Asked with the unit's node name on a double click.
    void SetOpenUnit(std::function<void(const QString& nodeName)> open) { openUnit_ = std::move(open); }
    // What F1 shows.
    void SetHelp(std::function<void()> help) { help_ = std::move(help); }

    // Shows the window (its saved placement the first time) with the
    // directory's units listed, and brings it to the top.
    void ShowAndRaise();
    // Lists the directory's units again, none read yet; false with the
    // reason in the summary line when there is no usable directory.
    bool LoadDirectory();
    // Starts a sweep (the directory is read afresh); false when none started.
    bool Refresh();
    void StopSweep();
    // Asks for a file and writes the rows read so far as the fleet status
    // CSV; returns the path written, empty when cancelled or not written.
    QString ExportCsv();
    // Milliseconds since the epoch for the time a unit was read; tests set their own.
    void SetClock(std::function<std::int64_t()> clock) { clock_ = std::move(clock); }

    bool SaveLayout();
    bool LoadLayout();

    [[nodiscard]] CFleetOverviewModel& Model() const { return *model_; }
    [[nodiscard]] CFleetOverviewSweep& Sweep() const { return *sweep_; }
    [[nodiscard]] QTableView* Table() const { return table_; }
    [[nodiscard]] QPushButton* RefreshButton() const { return refresh_; }
    [[nodiscard]] QPushButton* StopButton() const { return stop_; }
    [[nodiscard]] QSpinBox* JobsBox() const { return jobs_; }
    [[nodiscard]] QLineEdit* ExpectedFirmwareBox() const { return expected_; }
    [[nodiscard]] QPushButton* ExportButton() const { return export_; }
    [[nodiscard]] QProgressBar* Progress() const { return progress_; }
    [[nodiscard]] QLabel* SummaryLine() const { return summary_; }
    [[nodiscard]] QLabel* DirectoryLine() const { return directory_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void OnUnitRead(std::size_t unit);
    void ShowProgress();
    void OnFinished(bool stopped);
    void OpenRow(int row);
    void UpdateControls();
    void UpdateSummary();
    void FitStateColumns();

    CFleetOverviewModel* model_;
    CFleetOverviewSweep* sweep_;
    QTableView* table_;
    QPushButton* refresh_;
    QPushButton* stop_;
    QSpinBox* jobs_;
    QLineEdit* expected_;
    QPushButton* export_;
    QProgressBar* progress_;
    QLabel* summary_;
    QLabel* directory_;
    QTimer* progressTimer_;
    std::function<void(const QString&)> openUnit_;
    std::function<void()> help_;
    std::function<std::int64_t()> clock_;
    QString directoryError_;
    bool placed_ = false;          // the saved placement was looked for
    bool columnsRestored_ = false; // saved column widths apply, not the contents' widths
};
