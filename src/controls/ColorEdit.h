#pragma once
// An edit with its own text and background colours.

#include <QColor>
#include <QLineEdit>

class CGCColorEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit CGCColorEdit(QWidget* parent = nullptr);

    // Each returns the colour it replaced and repaints.
    QColor SetTextColor(const QColor& color);
    QColor SetBackgroundColor(const QColor& color);
    [[nodiscard]] QColor TextColor() const { return text_; }
    [[nodiscard]] QColor BackgroundColor() const { return background_; }

private:
    void ApplyColors();

    QColor text_{255, 255, 255};
    QColor background_{0, 0, 0};
};
