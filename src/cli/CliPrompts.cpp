#include "cli/CliPrompts.h"

QString OneLine(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    text.replace(u'\n', u' ');
    text.replace(u'\r', u' ');
    return text.trimmed();
}

void PrintLine(std::FILE* to, const QString& text)
{
    std::fprintf(to, "%s\n", OneLine(text).toLocal8Bit().constData());
    std::fflush(to);
}

CCliPrompts::CCliPrompts(MsgAnswer answer, std::FILE* to)
{
    previous_ = SetMessageBoxFunction([this, answer, to](const MessageBoxRequest& request) {
        const bool question = request.buttons == MsgButtons::YesNo || request.buttons == MsgButtons::YesNoCancel;
        if (!question) {
            PrintLine(to, request.text);
            switch (request.buttons) {
            case MsgButtons::RetryCancel: return MsgAnswer::Cancel;
            case MsgButtons::AbortRetryIgnore: return MsgAnswer::Abort;
            default: return MsgAnswer::Ok;
            }
        }
        ++questions_;
        PrintLine(to, request.text + (answer == MsgAnswer::Yes ? QStringLiteral(" yes") : QStringLiteral(" no")));
        return answer;
    });
}

CCliPrompts::~CCliPrompts()
{
    SetMessageBoxFunction(std::move(previous_));
}
