#pragma once
// A one-line edit whose text may take at most so many bytes as it is sent;
// typing, pasting and dropping stop at the limit, or before a character the
// limit refuses, with a beep (and the reason). setText() puts a text in
// whole, however long.

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
    [[nodiscard]] QString Refusal(const QString& incoming) const override;

private:
    CTextByteLimit limit_;
};
