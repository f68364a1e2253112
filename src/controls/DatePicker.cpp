#include "controls/DatePicker.h"

#include "controls/InputBeep.h"

#include <QKeyEvent>
#include <QLineEdit>

CDatePicker::CDatePicker(QWidget* parent) : QDateEdit(parent)
{
    ReadSections();
    // Keys sent to the inner edit are typed dates too.
    lineEdit()->installEventFilter(this);
}

void CDatePicker::SetPickerFormat(const QString& format)
{
    FinishEntry();
    setDisplayFormat(QtDateFormat(format));
    ReadSections();
}

void CDatePicker::ReadSections()
{
    std::vector<CDateEntry::Part> order;
    for (int i = 0; i < sectionCount(); ++i) {
        switch (sectionAt(i)) {
        case DaySection: order.push_back(CDateEntry::Part::Day); break;
        case MonthSection: order.push_back(CDateEntry::Part::Month); break;
        case YearSection: order.push_back(CDateEntry::Part::Year); break;
        default: break; // day names and times are not typed as a date
        }
    }
    entry_ = CDateEntry(std::move(order));
}

QDateTimeEdit::Section CDatePicker::SectionOf(int index) const
{
    const auto& order = entry_.Order();
    if (index < 0 || index >= static_cast<int>(order.size()))
        return NoSection;
    switch (order[static_cast<std::size_t>(index)]) {
    case CDateEntry::Part::Day: return DaySection;
    case CDateEntry::Part::Month: return MonthSection;
    case CDateEntry::Part::Year: return YearSection;
    }
    return NoSection;
}

int CDatePicker::FirstSectionToType() const
{
    // Over a whole selected date typing starts at its first section,
    // otherwise at the section the user is in.
    const QLineEdit* edit = lineEdit();
    if (edit->hasSelectedText() && edit->selectedText() == edit->text())
        return 0;
    for (int i = 0; i < static_cast<int>(entry_.Order().size()); ++i)
        if (SectionOf(i) == currentSection())
            return i;
    return 0;
}

void CDatePicker::ShowEntry()
{
    setDate(entry_.Shown());
    const Section section = SectionOf(std::min<int>(entry_.Section(), static_cast<int>(entry_.Order().size()) - 1));
    if (section != NoSection)
        setSelectedSection(section);
}

void CDatePicker::FinishEntry()
{
    if (!entry_.Active())
        return;
    const QDate original = entry_.Original();
    const std::optional<QDate> typed = entry_.Finish();
    if (typed) {
        setDate(*typed);
        return;
    }
    // No calendar date (31/02): the date stays as it was.
    InputBeep();
    setDate(original);
}

bool CDatePicker::TypeKey(QKeyEvent* event)
{
    if (isReadOnly() || !entry_.Usable())
        return false;
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier);
    const QString text = event->text();
    if (modifiers != Qt::NoModifier || text.size() != 1 || !text.front().isPrint() || text.front().isLetter())
        return false;
    if (!entry_.Active())
        entry_.Begin(date(), FirstSectionToType());
    if (!entry_.Type(text.front())) {
        InputBeep();
        return true;
    }
    if (entry_.Complete()) {
        FinishEntry();
        setSelectedSection(SectionOf(static_cast<int>(entry_.Order().size()) - 1));
    } else {
        ShowEntry();
    }
    return true;
}

void CDatePicker::keyPressEvent(QKeyEvent* event)
{
    if (TypeKey(event)) {
        event->accept();
        return;
    }
    FinishEntry();
    QDateEdit::keyPressEvent(event);
}

bool CDatePicker::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lineEdit() && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (TypeKey(key)) {
            key->accept();
            return true;
        }
        FinishEntry();
    }
    return QDateEdit::eventFilter(watched, event);
}

void CDatePicker::focusOutEvent(QFocusEvent* event)
{
    FinishEntry();
    QDateEdit::focusOutEvent(event);
}

void CDatePicker::mousePressEvent(QMouseEvent* event)
{
    FinishEntry();
    QDateEdit::mousePressEvent(event);
}
