#pragma once
// A multi-line plain text edit whose text may take at most so many bytes as
// it is sent (a line break counts as the measure says, e.g. CR LF). Typing,
// Enter, paste (keys, context menu, middle click), drops and input-method
// commits stop at the limit, or before a character the limit refuses, with a
// beep (and the reason); setPlainText() puts a text in whole.

#include "controls/TextByteLimit.h"

#include <QPlainTextEdit>

class CLimitedTextEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit CLimitedTextEdit(QWidget* parent = nullptr);

    void SetByteLimit(CTextByteLimit limit) { limit_ = std::move(limit); }
    [[nodiscard]] const CTextByteLimit& ByteLimit() const { return limit_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

private:
    // What of `incoming` may replace the selection (or go in at the cursor).
    [[nodiscard]] QString AdmitAtCursor(const QString& incoming) const;

    CTextByteLimit limit_;
};

// Line breaks of any form ("\r\n", "\r", the paragraph and line separators)
// as "\n", the one form the edit's plain text gives them back in.
[[nodiscard]] QString WithPlainLineBreaks(QString text);
