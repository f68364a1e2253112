#include "cli/UserCommand.h"

#include "cli/CliArguments.h"
#include "cli/CliOutput.h"
#include "cli/CliSession.h"
#include "cli/GroupCommandSession.h"
#include "data/system/UserData.h"
#include "platform/MessageIds.h"
#include "platform/StringTable.h"

#include <QDate>

#include <cstdio>

namespace {
constexpr unsigned kSendingProblem = 61236;

QString DateReport(const UserDate& d)
{
    const QDate date(d.year, d.month, d.day);
    if (date.isValid())
        return date.toString(QStringLiteral("dd/MM/yyyy"));
    return QStringLiteral("%1/%2/%3").arg(d.year).arg(d.month).arg(d.day);
}

// The text argument as the unit keeps it; nothing when beyond its limit.
std::optional<QByteArray> TextArgument(const std::string& arg, int limit, const char* name)
{
    const QString field = QString::fromLocal8Bit(arg.c_str());
    if (const QString why = UnitTextRefusal(field); !why.isEmpty()) {
        RefuseUsage(stderr, std::string(name) + ": " + why.toStdString());
        return std::nullopt;
    }
    const QByteArray text = UnitTextFromField(field);
    if (text.contains('\0')) {
        RefuseUsage(stderr, std::string(name) + ": holds a zero byte");
        return std::nullopt;
    }
    if (text.size() > limit) {
        RefuseUsage(stderr, std::string(name) + ": longer than " + std::to_string(limit) + " bytes as the unit receives it (a line break counts two)");
        return std::nullopt;
    }
    return text;
}

int Failed(unsigned stringId)
{
    PrintError(stderr, LoadResString(stringId));
    return kExitRequestFailed;
}
} // namespace

QString UserReport(const CUserData& user)
{
    const auto text = [](const QByteArray& bytes) { return FieldTextFromUnit(bytes); };
    return QStringLiteral("Name: ") + text(user.GetName()) + u'\n' + QStringLiteral("Date: ") +
           DateReport(user.GetDate()) + u'\n' + QStringLiteral("Comments: ") + text(user.GetComments()) + u'\n' +
           QStringLiteral("Actions: ") + text(user.GetActions()) + u'\n';
}

std::optional<UserDate> ParseUserDateArgument(const QString& text)
{
    if (text == QStringLiteral("-"))
        return UserDate{-1, -1, -1};
    for (const QString& format : {QStringLiteral("dd/MM/yyyy"), QStringLiteral("yyyy-MM-dd")}) {
        const QDate date = QDate::fromString(text, format);
        if (date.isValid())
            return UserDate{date.year(), date.month(), date.day()};
    }
    return std::nullopt;
}

int RunUserCommand(const std::string& connection, const std::vector<std::string>& args)
{
    const bool set = !args.empty() && args[0] == "set";
    if (!set && !args.empty())
        return RefuseUsage(stderr, UnknownArgument("user", args[0]));
    if (set && args.size() != 5)
        return RefuseUsage(stderr, "user set needs NAME DATE COMMENTS ACTIONS (see qora-cli user --help)");

    CUserData user;
    if (set) {
        const auto name = TextArgument(args[1], CUserData::kMaxName, "NAME");
        const auto date = ParseUserDateArgument(QString::fromLocal8Bit(args[2].c_str()));
        const auto comments = TextArgument(args[3], CUserData::kMaxComments, "COMMENTS");
        const auto actions = TextArgument(args[4], CUserData::kMaxActions, "ACTIONS");
        if (!date)
            RefuseUsage(stderr, RefusedValue("DATE", args[2], "not a date (dd/MM/yyyy, yyyy-MM-dd or -)"));
        if (!name || !date || !comments || !actions)
            return kExitUsage;
        user.SetName(*name);
        user.SetDate(*date);
        user.SetComments(*comments);
        user.SetActions(*actions);
    }

    CGroupCommandSession session(connection);
    session.SetNoticeHandler([&](unsigned message, MsgWParam wParam) {
        if (message == WM_USERINFO_READ_DONE) {
            if (wParam == 0) {
                session.Finish(Failed(StringId::ReadingProblem));
                return;
            }
            std::fputs(UserReport(user).toUtf8().constData(), stdout);
            session.Finish(kExitOk);
        } else if (message == WM_USERINFO_WRITE_DONE) {
            // Read back what the unit now holds.
            if (wParam == 0 || !user.ReadAll())
                session.Finish(Failed(kSendingProblem));
        }
    });
    const int status = session.Run(false, [&] {
        session.Attach(user);
        if (!(set ? user.WriteAll() : user.ReadAll())) {
            PrintError(stderr, "the unit is not connected");
            session.Finish(kExitNoConnection);
        }
    });
    user.Unregister();
    return status;
}
