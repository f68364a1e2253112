#pragma once
// A one-line edit whose text may take at most so many bytes as it is sent;
// typing, pasting and dropping stop at the limit with a beep. setText() puts
// a text in whole, however long.

#include "controls/GuardedLineEdit.h"
#include "controls/TextByteLimit.h"

class CLimitedLineEdit : public CGuardedLineEdit {
    Q_OBJECT
public:
    explicit CLimitedLineEdit(QWidget* parent = nullptr);

    void SetByteLimit(CTextByteLimit limit) { limit_ = std::move(limit); }
    [[nodiscard]] const CTextByteLimit& ByteLimit() const { return limit_; }

protected:
    [[nodiscard]] QString Admit(const QString& incoming, qsizetype start, qsizetype end) const override;

private:
    CTextByteLimit limit_;
};
