#include "controls/IpAddressEdit.h"

#include "controls/SmartEdit.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QValidator>

namespace {
// Blank, or one to three digits worth 0..255.
class CIpv4FieldValidator : public QValidator {
public:
    using QValidator::QValidator;

    State validate(QString& input, int&) const override
    {
        if (input.size() > 3)
            return Invalid;
        int value = 0;
        for (const QChar c : input) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return Invalid;
            value = value * 10 + (c.unicode() - '0');
        }
        return IsValidIpv4Field(value) ? Acceptable : Invalid;
    }
};
} // namespace

CIpAddressEdit::CIpAddressEdit(QWidget* parent) : QFrame(parent)
{
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 1, 2, 1);
    layout->setSpacing(0);
    auto* validator = new CIpv4FieldValidator(this);
    for (int i = 0; i < 4; ++i) {
        if (i > 0) {
            auto* dot = new QLabel(QStringLiteral("."), this);
            dot->setBackgroundRole(QPalette::Base);
            layout->addWidget(dot);
        }
        // Digits only, typed or pasted; the validator then keeps each within 0..255.
        auto* field = new CSmartEdit(this);
        field->SetCharacterSet(CSmartEditFilter::kDigits);
        field->setObjectName(QStringLiteral("field%1").arg(i));
        field->setFrame(false);
        field->setAlignment(Qt::AlignCenter);
        field->setMaxLength(3);
        field->setValidator(validator);
        field->setFixedWidth(field->fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 4);
        field->installEventFilter(this);
        connect(field, &QLineEdit::textEdited, this, [this, i] { OnTextEdited(i); });
        connect(field, &QLineEdit::textChanged, this, &CIpAddressEdit::AddressChanged);
        layout->addWidget(field);
        fields_[static_cast<std::size_t>(i)] = field;
    }
    layout->addStretch(1);
    setFocusProxy(fields_[0]);
    setFocusPolicy(Qt::StrongFocus);
}

QString CIpAddressEdit::Text() const
{
    return FormatIpv4(Address());
}

bool CIpAddressEdit::SetText(const QString& text)
{
    const auto fields = ParseIpv4(text);
    return fields && SetAddress(*fields);
}

Ipv4Fields CIpAddressEdit::Address() const
{
    Ipv4Fields fields{};
    for (std::size_t i = 0; i < fields_.size(); ++i)
        fields[i] = fields_[i]->text().toInt(); // blank: 0
    return fields;
}

bool CIpAddressEdit::SetAddress(const Ipv4Fields& fields)
{
    if (!IsValidIpv4(fields))
        return false;
    for (std::size_t i = 0; i < fields_.size(); ++i)
        fields_[i]->setText(QString::number(fields[i]));
    return true;
}

void CIpAddressEdit::Clear()
{
    for (QLineEdit* field : fields_)
        field->clear();
}

bool CIpAddressEdit::IsBlank() const
{
    for (const QLineEdit* field : fields_) {
        if (!field->text().isEmpty())
            return false;
    }
    return true;
}

void CIpAddressEdit::SetFieldFocus(int field)
{
    if (field >= 0 && field < 4)
        GoTo(field, true, true);
}

int CIpAddressEdit::FocusedField() const
{
    return IndexOf(window()->focusWidget());
}

QLineEdit* CIpAddressEdit::Field(int field) const
{
    return field >= 0 && field < 4 ? fields_[static_cast<std::size_t>(field)] : nullptr;
}

int CIpAddressEdit::IndexOf(const QObject* object) const
{
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        if (fields_[i] == object)
            return static_cast<int>(i);
    }
    return -1;
}

void CIpAddressEdit::GoTo(int field, bool selectAll, bool atEnd)
{
    QLineEdit* target = fields_[static_cast<std::size_t>(field)];
    target->setFocus(Qt::OtherFocusReason);
    if (selectAll)
        target->selectAll();
    else
        target->setCursorPosition(atEnd ? static_cast<int>(target->text().size()) : 0);
}

void CIpAddressEdit::OnTextEdited(int field)
{
    const QLineEdit* edit = fields_[static_cast<std::size_t>(field)];
    if (field < 3 && edit->text().size() == 3 && edit->cursorPosition() == 3)
        GoTo(field + 1, true, true);
}

bool CIpAddressEdit::eventFilter(QObject* watched, QEvent* event)
{
    const int field = IndexOf(watched);
    if (field < 0 || event->type() != QEvent::KeyPress)
        return QFrame::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    const QLineEdit* edit = fields_[static_cast<std::size_t>(field)];
    const bool atStart = edit->cursorPosition() == 0 && !edit->hasSelectedText();
    const bool atEnd = edit->cursorPosition() == edit->text().size() && !edit->hasSelectedText();
    if (key->text() == QLatin1String(".") || key->key() == Qt::Key_Space) {
        // Past a field with something in it; otherwise the key does nothing.
        if (field < 3 && !edit->text().isEmpty())
            GoTo(field + 1, true, true);
        return true;
    }
    if (key->key() == Qt::Key_Backspace && edit->text().isEmpty()) {
        if (field > 0)
            GoTo(field - 1, false, true);
        return true;
    }
    if (key->key() == Qt::Key_Left && key->modifiers() == Qt::NoModifier && atStart && field > 0) {
        GoTo(field - 1, false, true);
        return true;
    }
    if (key->key() == Qt::Key_Right && key->modifiers() == Qt::NoModifier && atEnd && field < 3) {
        GoTo(field + 1, false, false);
        return true;
    }
    return QFrame::eventFilter(watched, event);
}
