#include "cli/CommissionVerify.h"

#include "commissioning/verify/UnitReadBack.h"
#include "link/AppHandler.h"
#include "link/CommHandler.h"
#include "platform/CallbackTarget.h"
#include "platform/LogCategories.h"
#include "platform/MainWindow.h"
#include "platform/MessageIds.h"
#include "platform/TimerScale.h"
#include "protocol/Connection.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTimer>

#include <algorithm>
#include <optional>

namespace {
// After the deadline an attempt under way may still finish; this bounds it.
constexpr int kLastAttemptMs = 60000;
} // namespace

std::string ConnectionAt(const std::string& connection, const SUnitPlace& place)
{
    if (place.remote)
        return connection;
    const std::string moved = Protocol::WithItem(connection, "HOST", place.ipAddress.toStdString());
    return Protocol::WithItem(moved, "ADDR", std::to_string(place.q1Address));
}

std::optional<SUnitPlace> PlaceOf(const std::string& connection)
{
    const Protocol::SConnection parsed = Protocol::ParseConnection(connection);
    if (parsed.host.empty() || !parsed.HasAddress() || parsed.addressText.size() > 5)
        return std::nullopt;
    return SUnitPlace{false, QString::fromStdString(parsed.host), parsed.busAddress};
}

SVerification VerifyCommissionedUnit(const std::string& connection, const SCommissionValues& written,
                                     const SUnitPlace& place, int timeoutSeconds, int restartedAfterSeconds)
{
    SVerification result;
    result.place = place;
    QEventLoop loop;
    bool finished = false;
    const QDeadlineTimer deadline(qint64(timeoutSeconds) * 1000);
    QElapsedTimer sinceReset;
    sinceReset.start();
    const qint64 restartedAfterMs = qint64(std::clamp(restartedAfterSeconds, 0, timeoutSeconds)) * 1000;
    bool unitGone = false; // a try found the unit down: what answers next has restarted
    CCommHandler handler;
    handler.SetSilentConnect(true);
    // Gone before the handler slot is given back, so its groups leave this handler.
    std::optional<CUnitReadBack> readBack;
    readBack.emplace();
    QTimer poll;
    poll.setSingleShot(true);
    int attempts = 0;

    const auto finish = [&] {
        if (finished)
            return;
        finished = true;
        loop.quit();
    };
    const auto attempt = [&] {
        ++attempts;
        handler.Connect(ConnectionRoute::Direct, connection);
    };
    const auto retryOrGiveUp = [&] {
        handler.CloseConnection();
        if (deadline.remainingTime() <= 0) {
            qCWarning(lcCommissioning, "verification: the unit did not answer at %s within %d s (%d attempts)",
                      connection.c_str(), timeoutSeconds, attempts);
            finish();
            return;
        }
        poll.start(int(std::min<qint64>(ScaledPeriod(kVerifyPollMs), deadline.remainingTime())));
    };
    QObject::connect(&poll, &QTimer::timeout, &loop, attempt);

    CCallbackTarget frame([&](unsigned message, MsgWParam wParam, MsgLParam) {
        if (finished || message != WM_CONNECTION_EVENT)
            return;
        switch (NoticeOf(wParam)) {
        case NOTICE_CONNECTED:
        case NOTICE_CONNECTED_OTHER_UNIT:
            if (!unitGone && sinceReset.elapsed() < ScaledPeriod(int(restartedAfterMs))
                && deadline.remainingTime() > 0) {
                // Still the unit from before its restart, with its old setup.
                qCInfo(lcCommissioning, "verification: the unit still answers at %s: not restarted yet",
                       connection.c_str());
                retryOrGiveUp();
                break;
            }
            handler.EnterCommissionMode();
            break;
        case NOTICE_COMMISSION_MODE:
            if (readBack->Running())
                break;
            result.unitBack = true;
            qCInfo(lcCommissioning, "verification: the unit answers at %s after %d attempts", connection.c_str(),
                   attempts);
            readBack->Start([&](const SUnitReadBack& read) {
                result.rows = CompareReadBack(written, read, place);
                finish();
            });
            break;
        case NOTICE_CONNECT_FAILED:
        case NOTICE_DISCONNECTED:
            if (readBack->Running())
                break; // the reads end on their own and leave what failed unread
            unitGone = true;
            retryOrGiveUp();
            break;
        default:
            break;
        }
    });

    CMessageTarget* previousFrame = MainWindowTarget();
    CCommHandler* previousHandler = AppCommHandler();
    SetMainWindowTarget(&frame);
    SetAppCommHandler(&handler);
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, finish);
    limit.start(timeoutSeconds * 1000 + kLastAttemptMs);
    // A unit may answer for a moment after it acknowledged its reset: the
    // first try waits one period, so that it meets the restarted unit.
    poll.start(int(std::min<qint64>(ScaledPeriod(kVerifyPollMs), deadline.remainingTime())));
    if (!finished)
        loop.exec();
    poll.stop();
    readBack.reset();
    handler.CloseConnection();
    SetAppCommHandler(previousHandler);
    SetMainWindowTarget(previousFrame);
    return result;
}

bool SaveVerificationReport(const QString& path, const SVerification& verification, QString& error)
{
    return SaveVerificationJson(path, verification, error);
}
