#pragma once
// An IPv4 address entry: four fields of 0..255 between dots. Typing three
// digits or '.' goes on to the next field, Backspace in an empty field and Left
// at the start of one go back, Right at the end of one goes on. A field may be
// left blank; it counts as 0. Fields take digits only, however they come.

#include "controls/Ipv4Text.h"

#include <QFrame>

#include <array>

class QLineEdit;

class CIpAddressEdit : public QFrame {
    Q_OBJECT
public:
    explicit CIpAddressEdit(QWidget* parent = nullptr);

    // Dotted text of the four values.
    [[nodiscard]] QString Text() const;
    // False, and nothing changed, unless the text is a dotted address.
    bool SetText(const QString& text);

    [[nodiscard]] Ipv4Fields Address() const;
    // False, and nothing changed, unless every value is 0..255.
    bool SetAddress(const Ipv4Fields& fields);
    void Clear();
    [[nodiscard]] bool IsBlank() const;

    // Field 0..3 gets the focus with its text selected.
    void SetFieldFocus(int field);
    // The field that has the focus within the window, or -1.
    [[nodiscard]] int FocusedField() const;
    [[nodiscard]] QLineEdit* Field(int field) const;

signals:
    void AddressChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    [[nodiscard]] int IndexOf(const QObject* object) const;
    void GoTo(int field, bool selectAll, bool atEnd);
    void OnTextEdited(int field);

    std::array<QLineEdit*, 4> fields_{};
};
