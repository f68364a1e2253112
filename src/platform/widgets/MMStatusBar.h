#pragma once
// A status bar of numbered panes that can show their text in colours of their
// own: pane records hold a text colour, a background colour (or none, for a
// transparent pane), the text and a horizontal text offset. The main frame
// lays out its panes with the helpers below; the status windows colour their
// verdict panes with SetPaneText.

#include <QColor>
#include <QStatusBar>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class MMStatusPane;

class MMStatusBar : public QStatusBar {
    Q_OBJECT
public:
    enum PaneStyle : unsigned {
        PaneNormal = 0,   // sunken border, fixed width
        PaneNoBorder = 1, // no border
        PaneStretch = 2,  // takes the room that is left
    };
    enum class Indicator { Caps, Num, Scroll };

    struct PaneRecord {
        int pane = 0;
        QColor textColor;  // the window-text colour when the record is made
        QColor background; // invalid: transparent
        QString text;
        int offset = 0;    // extra pixels before the text
    };

    // The state of a lock key: on, off, or unknown (nothing).
    using LockKeyQuery = std::function<std::optional<bool>(Indicator)>;

    explicit MMStatusBar(QWidget* parent = nullptr);
    ~MMStatusBar() override;

    // Pane 0 as the bar's own message area (menu prompts and messages); only
    // as the first pane. Returns 0.
    int AddMessagePane();
    // A pane with its text; width in pixels for the text, or -1 to fit the
    // text (it grows with longer texts, never shrinks). Returns its number.
    int AddPane(const QString& text = QString(), int width = -1, unsigned style = PaneNormal);
    // A lock-key indicator pane, "CAP", "NUM" or "SCRL": its text is greyed
    // while the key is off or its state cannot be read. Returns its number.
    int AddIndicatorPane(Indicator which);

    [[nodiscard]] int PaneCount() const { return static_cast<int>(panes_.size()); }
    void SetPaneWidth(int pane, int width);
    // The pane's widget, to hold a child such as a progress bar; null for the
    // message pane or a pane that does not exist.
    [[nodiscard]] QWidget* PaneWidget(int pane) const;

    // Finds or makes the pane's record (text colour: window text), stores
    // background and text, and shows them. False for no such pane.
    bool SetPaneText(int pane, const QColor& background, const QString& text);
    // Sets the text only; a pane with a record keeps its colours.
    bool SetPaneText(int pane, const QString& text);
    [[nodiscard]] QString PaneText(int pane) const;
    [[nodiscard]] const PaneRecord* FindPaneRecord(int pane) const;

    // Indicator states as shown: on, off, or unknown.
    [[nodiscard]] std::optional<bool> IndicatorState(int pane) const;
    void UpdateIndicators();
    // Replaces how lock-key states are read (tests; platforms with a way of
    // their own); returns the one it replaced.
    static LockKeyQuery SetLockKeyQuery(LockKeyQuery query);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    [[nodiscard]] MMStatusPane* Pane(int pane) const;
    PaneRecord& RecordFor(int pane);

    bool messagePane_ = false;
    bool watchingKeys_ = false;
    std::vector<MMStatusPane*> panes_; // by number; null for the message pane
    std::vector<std::unique_ptr<PaneRecord>> records_;
};
