#pragma once
// Answers a real modal dialog on the user's behalf. Once the dialog is running
// its own event loop, `answer` is called with it (found as the active modal
// widget). Should the dialog still be open `safetyMs` later, because an answer
// failed or never came, it is rejected so that exec() cannot stay blocked, and
// the test learns so from SafetyClosed().

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <utility>

class CModalAnswer {
public:
    explicit CModalAnswer(std::function<void(QDialog&)> answer, int safetyMs = 5000)
        : answer_(std::move(answer))
    {
        poll_.setInterval(10);
        QObject::connect(&poll_, &QTimer::timeout, [this] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog || !dialog->isVisible())
                return;
            poll_.stop();
            answered_ = true;
            answer_(*dialog);
        });
        poll_.start();

        safety_.setSingleShot(true);
        QObject::connect(&safety_, &QTimer::timeout, [this] {
            poll_.stop();
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                safetyClosed_ = true;
                dialog->reject();
            }
        });
        safety_.start(safetyMs);
    }

    // Whether a dialog came up and was handed to the answer.
    [[nodiscard]] bool Answered() const { return answered_; }
    // Whether the dialog had to be closed by force.
    [[nodiscard]] bool SafetyClosed() const { return safetyClosed_; }

private:
    std::function<void(QDialog&)> answer_;
    QTimer poll_;
    QTimer safety_;
    bool answered_ = false;
    bool safetyClosed_ = false;
};
