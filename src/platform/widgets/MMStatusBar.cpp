#include "platform/widgets/MMStatusBar.h"

#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QPainter>
#include <qdrawutil.h>

#include <algorithm>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

std::optional<bool> SystemLockKeyState([[maybe_unused]] MMStatusBar::Indicator which)
{
#ifdef Q_OS_WIN
    const int key = which == MMStatusBar::Indicator::Caps  ? VK_CAPITAL
                    : which == MMStatusBar::Indicator::Num ? VK_NUMLOCK
                                                            : VK_SCROLL;
    return (GetKeyState(key) & 1) != 0;
#else
    // No portable way to read the lock keys here: say so rather than guess.
    return std::nullopt;
#endif
}

MMStatusBar::LockKeyQuery& LockKeyQueryHook()
{
    static MMStatusBar::LockKeyQuery query = SystemLockKeyState;
    return query;
}

const char* IndicatorText(MMStatusBar::Indicator which)
{
    switch (which) {
    case MMStatusBar::Indicator::Caps: return "CAP";
    case MMStatusBar::Indicator::Num: return "NUM";
    case MMStatusBar::Indicator::Scroll: return "SCRL";
    }
    return "";
}

bool IsLockKey(int key)
{
    return key == Qt::Key_CapsLock || key == Qt::Key_NumLock || key == Qt::Key_ScrollLock;
}

} // namespace

// One pane: paints its own text in its record's colours.
class MMStatusPane : public QWidget {
public:
    MMStatusPane(QWidget* parent, QString text, int width, unsigned style)
        : QWidget(parent), text_(std::move(text)), border_(!(style & MMStatusBar::PaneNoBorder))
    {
        if (style & MMStatusBar::PaneStretch)
            setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
        else
            setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
        SetWidth(width);
    }

    void SetWidth(int width)
    {
        width_ = width;
        fitted_ = 0;
        Fit();
    }
    void SetText(const QString& text)
    {
        text_ = text;
        Fit();
        update();
    }
    [[nodiscard]] const QString& Text() const { return text_; }
    void SetRecord(const MMStatusBar::PaneRecord* record)
    {
        record_ = record;
        update();
    }
    void SetIndicator(MMStatusBar::Indicator which)
    {
        indicator_ = which;
        Fit();
    }
    [[nodiscard]] std::optional<MMStatusBar::Indicator> IndicatorKind() const { return indicator_; }
    void SetIndicatorState(std::optional<bool> state)
    {
        if (state == indicatorState_ && indicatorKnown_)
            return;
        indicatorKnown_ = true;
        indicatorState_ = state;
        setToolTip(state ? QString() : QStringLiteral("The state of this key cannot be read on this system"));
        update();
    }
    [[nodiscard]] std::optional<bool> IndicatorState() const { return indicatorState_; }

    [[nodiscard]] QSize sizeHint() const override
    {
        return {fixedWidthFor(), fontMetrics().height() + 4};
    }
    [[nodiscard]] QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        QRect inner = rect();
        if (border_) {
            qDrawShadePanel(&p, inner, palette(), true, 1);
            inner.adjust(1, 1, -1, -1);
        }
        QColor textColor = palette().color(QPalette::WindowText);
        int offset = 0;
        if (record_) {
            if (record_->background.isValid())
                p.fillRect(inner, record_->background);
            textColor = record_->textColor;
            offset = record_->offset;
        }
        if (indicator_ && indicatorState_ != true)
            textColor = palette().color(QPalette::Disabled, QPalette::WindowText);
        p.setPen(textColor);
        p.drawText(inner.adjusted(2 + offset, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                   text_);
    }

private:
    [[nodiscard]] int Frame() const { return border_ ? 2 : 0; }
    [[nodiscard]] int fixedWidthFor() const
    {
        if (width_ >= 0)
            return width_ + Frame() + 2;
        const int offset = record_ ? record_->offset : 0;
        return std::max(fitted_, fontMetrics().horizontalAdvance(text_) + offset + Frame() + 6);
    }
    void Fit()
    {
        const int width = fixedWidthFor();
        fitted_ = width_ >= 0 ? 0 : width;
        if (sizePolicy().horizontalPolicy() == QSizePolicy::Fixed)
            setFixedWidth(width);
        else
            setMinimumWidth(width);
        updateGeometry();
    }

    QString text_;
    bool border_;
    int width_ = -1;
    int fitted_ = 0;
    const MMStatusBar::PaneRecord* record_ = nullptr;
    std::optional<MMStatusBar::Indicator> indicator_;
    std::optional<bool> indicatorState_;
    bool indicatorKnown_ = false;
};

MMStatusBar::MMStatusBar(QWidget* parent) : QStatusBar(parent) {}

MMStatusBar::~MMStatusBar() = default;

int MMStatusBar::AddMessagePane()
{
    if (panes_.empty()) {
        messagePane_ = true;
        panes_.push_back(nullptr);
    }
    return 0;
}

int MMStatusBar::AddPane(const QString& text, int width, unsigned style)
{
    auto* pane = new MMStatusPane(this, text, width, style);
    addPermanentWidget(pane, (style & PaneStretch) ? 1 : 0);
    panes_.push_back(pane);
    return PaneCount() - 1;
}

int MMStatusBar::AddIndicatorPane(Indicator which)
{
    const int number = AddPane(QString::fromLatin1(IndicatorText(which)));
    panes_.back()->SetIndicator(which);
    if (!watchingKeys_) {
        qApp->installEventFilter(this);
        watchingKeys_ = true;
    }
    UpdateIndicators();
    return number;
}

MMStatusPane* MMStatusBar::Pane(int pane) const
{
    if (pane < 0 || pane >= PaneCount())
        return nullptr;
    return panes_[static_cast<size_t>(pane)];
}

void MMStatusBar::SetPaneWidth(int pane, int width)
{
    if (MMStatusPane* p = Pane(pane))
        p->SetWidth(width);
}

QWidget* MMStatusBar::PaneWidget(int pane) const
{
    return Pane(pane);
}

MMStatusBar::PaneRecord& MMStatusBar::RecordFor(int pane)
{
    for (auto& record : records_)
        if (record->pane == pane)
            return *record;
    auto record = std::make_unique<PaneRecord>();
    record->pane = pane;
    record->textColor = palette().color(QPalette::WindowText);
    records_.push_back(std::move(record));
    return *records_.back();
}

bool MMStatusBar::SetPaneText(int pane, const QColor& background, const QString& text)
{
    if (messagePane_ && pane == 0) {
        showMessage(text);
        return true;
    }
    MMStatusPane* p = Pane(pane);
    if (!p)
        return false;
    PaneRecord& record = RecordFor(pane);
    record.background = background;
    record.text = text;
    p->SetRecord(&record);
    p->SetText(text);
    return true;
}

bool MMStatusBar::SetPaneText(int pane, const QString& text)
{
    if (messagePane_ && pane == 0) {
        showMessage(text);
        return true;
    }
    MMStatusPane* p = Pane(pane);
    if (!p)
        return false;
    for (auto& record : records_)
        if (record->pane == pane)
            record->text = text;
    p->SetText(text);
    return true;
}

QString MMStatusBar::PaneText(int pane) const
{
    if (messagePane_ && pane == 0)
        return currentMessage();
    const MMStatusPane* p = Pane(pane);
    return p ? p->Text() : QString();
}

const MMStatusBar::PaneRecord* MMStatusBar::FindPaneRecord(int pane) const
{
    for (const auto& record : records_)
        if (record->pane == pane)
            return record.get();
    return nullptr;
}

std::optional<bool> MMStatusBar::IndicatorState(int pane) const
{
    const MMStatusPane* p = Pane(pane);
    return p && p->IndicatorKind() ? p->IndicatorState() : std::nullopt;
}

void MMStatusBar::UpdateIndicators()
{
    const LockKeyQuery& query = LockKeyQueryHook();
    for (MMStatusPane* pane : panes_)
        if (pane && pane->IndicatorKind())
            pane->SetIndicatorState(query ? query(*pane->IndicatorKind()) : std::nullopt);
}

MMStatusBar::LockKeyQuery MMStatusBar::SetLockKeyQuery(LockKeyQuery query)
{
    LockKeyQuery previous = std::move(LockKeyQueryHook());
    LockKeyQueryHook() = std::move(query);
    return previous;
}

bool MMStatusBar::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        if (IsLockKey(static_cast<QKeyEvent*>(event)->key()))
            UpdateIndicators();
        break;
    case QEvent::ApplicationStateChange:
        UpdateIndicators();
        break;
    default:
        break;
    }
    return QStatusBar::eventFilter(watched, event);
}

void MMStatusBar::showEvent(QShowEvent* event)
{
    UpdateIndicators();
    QStatusBar::showEvent(event);
}
