#pragma once
// The "Unit Traffic" window: the traffic table with a filter, Pause, Clear,
// Copy and the bytes of the selected exchange. The live window follows the
// run's ring; a recording opens read only in a window of its own.

#include <QString>
#include <QWidget>

#include <functional>

class CTrafficRing;
class CTrafficTableModel;
class QLabel;
class QLineEdit;
class QMdiArea;
class QPlainTextEdit;
class QPushButton;
class QTableView;

class CTrafficWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* kTitle = "Unit Traffic";

    // Takes the model over.
    CTrafficWindow(CTrafficTableModel* model, const QString& title, QWidget* parent = nullptr);

    // The live window inside the area, shown; closing it deletes it.
    static CTrafficWindow* OpenLive(QMdiArea& area, CTrafficRing& ring);
    // A recording, read only, beside the window (inside its MDI area when it
    // has one); none, with a message box saying why, when it cannot be read.
    static CTrafficWindow* OpenRecording(const QString& path, QWidget& beside);

    [[nodiscard]] CTrafficTableModel& Model() const { return *model_; }
    [[nodiscard]] QTableView* Table() const { return table_; }
    [[nodiscard]] QLineEdit* FilterEdit() const { return filter_; }
    [[nodiscard]] QPushButton* PauseButton() const { return pause_; }
    [[nodiscard]] QPushButton* ClearButton() const { return clear_; }
    [[nodiscard]] QPushButton* CopyButton() const { return copy_; }
    [[nodiscard]] QPushButton* OpenRecordingButton() const { return open_; }
    [[nodiscard]] QPlainTextEdit* Detail() const { return detail_; }
    [[nodiscard]] QLabel* CountLabel() const { return count_; }

    // Whether new rows scroll into sight: until the engineer scrolls up.
    [[nodiscard]] bool IsFollowing() const { return following_; }
    // What F1 shows, wherever the focus is in the window.
    void SetHelp(std::function<void()> help) { help_ = std::move(help); }

    // The selected rows as tab-separated text, to the clipboard.
    void CopySelection();
    // Asks for a recording file and opens it; the window it opened, or none.
    CTrafficWindow* AskAndOpenRecording();

    [[nodiscard]] QSize sizeHint() const override;

private:
    void ShowDetail(int row);
    void ShowNewest();
    void UpdateCount();
    void ApplyColumnWidths();

    CTrafficTableModel* model_;
    QTableView* table_ = nullptr;
    QLineEdit* filter_ = nullptr;
    QPushButton* pause_ = nullptr;
    QPushButton* clear_ = nullptr;
    QPushButton* copy_ = nullptr;
    QPushButton* open_ = nullptr;
    QLabel* count_ = nullptr;
    QPlainTextEdit* detail_ = nullptr;
    bool following_ = true;
    bool scrollingToNewest_ = false;
    std::function<void()> help_;
};
