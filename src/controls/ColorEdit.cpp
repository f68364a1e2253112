#include "controls/ColorEdit.h"

#include <QPalette>

CGCColorEdit::CGCColorEdit(QWidget* parent) : QLineEdit(parent)
{
    ApplyColors();
}

QColor CGCColorEdit::SetTextColor(const QColor& color)
{
    const QColor old = text_;
    text_ = color;
    ApplyColors();
    return old;
}

QColor CGCColorEdit::SetBackgroundColor(const QColor& color)
{
    const QColor old = background_;
    background_ = color;
    ApplyColors();
    return old;
}

void CGCColorEdit::ApplyColors()
{
    QPalette p = palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        p.setColor(group, QPalette::Text, text_);
        p.setColor(group, QPalette::Base, background_);
    }
    setPalette(p);
    update();
}
