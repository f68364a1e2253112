#include "link/RksDriver.h"

#include "link/CommHandler.h"
#include "link/ComponentFactory.h"
#include "link/IRksLink.h"
#include "link/LinkTap.h"
#include "link/ServiceFraming.h"
#include "platform/LogCategories.h"
#include "platform/MessageIds.h"
#include "platform/PostMessage.h"

#include <condition_variable>
#include <functional>
#include <mutex>
#include <system_error>

namespace {
// Threads of connections that were given up while still opening end by
// themselves; the program waits for them once before it ends.
std::mutex abandonedLock;
std::condition_variable abandonedDone;
int abandonedThreads = 0;
} // namespace

// What the worker thread shares with its driver. The driver may go away while
// the thread is still opening; the thread then finds `abandoned` set and stops
// without touching the handler or posting anything.
struct CRksDriver::Session {
    std::string connection; // as given to Open; fixed before the thread starts
    std::unique_ptr<IRksLink> link;
    std::shared_ptr<CAutoResetEvent> stop, commission, send;

    std::mutex gate; // guards everything below, and link's replacement
    CCommHandler* handler = nullptr;
    bool abandoned = false;
    bool opened = false;
    bool finished = false;
    std::string identity;
    SLinkFailure failure;

    void RecordFailure(SLinkFailure why)
    {
        // A failed opening is logged by the handler, which hears of it.
        if (why.request >= 0)
            qCWarning(lcLink, "request %02X %02X %02X to \"%s\" failed: %s", (why.request >> 16) & 0xFF,
                      (why.request >> 8) & 0xFF, why.request & 0xFF, connection.c_str(), why.text.c_str());
        std::lock_guard lock(gate);
        failure = std::move(why);
    }

    bool Post(unsigned message, MsgWParam wParam, MsgLParam lParam, TargetSerial requester = kNoRequester)
    {
        std::lock_guard lock(gate);
        return !abandoned && PostMessageTo(handler, message, wParam, lParam, requester);
    }

    void ReleaseLink()
    {
        std::unique_ptr<IRksLink> released;
        {
            std::lock_guard lock(gate);
            released = std::move(link);
        }
    }

    void Finish()
    {
        std::lock_guard lock(gate);
        finished = true;
        if (abandoned) {
            std::lock_guard count(abandonedLock);
            --abandonedThreads;
            abandonedDone.notify_all();
        }
    }
};

CRksDriver::CRksDriver() = default;

CRksDriver::~CRksDriver()
{
    if (!thread_.joinable())
        return;
    bool join = true;
    {
        std::lock_guard lock(session_->gate);
        if (!session_->opened && !session_->finished) {
            // Still opening: let the thread finish on its own, and hurry it.
            session_->abandoned = true;
            session_->handler = nullptr;
            {
                std::lock_guard count(abandonedLock);
                ++abandonedThreads;
            }
            if (session_->link)
                session_->link->Interrupt();
            join = false;
        }
    }
    if (join) {
        stopEvent_->Set();
        thread_.join();
    } else {
        thread_.detach();
    }
}

void CRksDriver::Open(CCommHandler* handler, const std::string& connection)
{
    handler_ = handler;
    auto link = TapLink(ComponentFactory<IRksLink>::Create(CLSID_RksLink), CurrentLinkObserver());
    if (!link) {
        openFailure_.kind = SLinkFailure::Kind::NotSent;
        openFailure_.text = "the communication service's link cannot be created";
        PostMessageTo(handler, WM_CONNECTION_EVENT, DRIVER_OPEN_FAILED, 0);
        return;
    }
    auto session = std::make_shared<Session>();
    session->connection = connection;
    session->link = std::move(link);
    session->stop = stopEvent_;
    session->commission = commissionEvent_;
    session->send = sendEvent_;
    session->handler = handler;
    try {
        thread_ = std::thread(RksThreadFunction, session);
    } catch (const std::system_error& error) {
        openFailure_.kind = SLinkFailure::Kind::NotSent;
        openFailure_.text = std::string("the link's thread cannot be started: ") + error.what();
        PostMessageTo(handler, WM_CONNECTION_EVENT, DRIVER_OPEN_FAILED, 0);
        return;
    }
    session_ = std::move(session);
}

std::string CRksDriver::GetConnectionString() const
{
    return session_ ? session_->connection : std::string();
}

std::string CRksDriver::GetIdentity() const
{
    if (!session_)
        return {};
    std::lock_guard lock(session_->gate);
    return session_->identity;
}

SLinkFailure CRksDriver::LastFailure() const
{
    if (!session_)
        return openFailure_;
    std::lock_guard lock(session_->gate);
    return session_->failure;
}

bool CRksDriver::WaitForAbandonedThreads(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(abandonedLock);
    return abandonedDone.wait_for(lock, timeout, [] { return abandonedThreads == 0; });
}

namespace {

void RunSendLoop(IRksLink& link, CCommHandler& handler, CAutoResetEvent& stop,
                 const std::optional<std::string>& downloadRoute,
                 const std::function<void(unsigned, MsgWParam, MsgLParam, TargetSerial)>& post,
                 const std::function<void(SLinkFailure)>& record)
{
    std::vector<std::uint8_t> reply;
    reply.reserve(1024);
    for (;;) {
        const std::unique_ptr<CDeviceMessage> request = handler.PopSendQueue();
        if (!request)
            return;
        if (stop.TryConsume()) {
            stop.Set(); // leave it for the wait that follows; this request is dropped
            return;
        }
        if (request->GetLength() < 3)
            continue;
        const std::int32_t header = ServiceFraming::PackedHeader(*request);
        std::unique_ptr<CDeviceMessage> received;
        SLinkFailure failure;
        if (auto framed = ServiceFraming::FrameRequest(*request, downloadRoute)) {
            reply.clear();
            if (link.Transfer(framed->route, framed->bytes, reply)) {
                const std::uint8_t* r = request->GetData();
                received = ServiceFraming::FrameReply(r[0], r[1], r[2], reply);
                if (!received) {
                    failure.kind = SLinkFailure::Kind::BadReply;
                    failure.text = "the unit's reply was not understood";
                }
            } else {
                failure = link.LastFailure();
            }
        } else {
            failure.kind = SLinkFailure::Kind::NotSent;
            failure.text = "the request cannot be sent to the unit";
        }
        if (!received) {
            // Recorded before the notice goes out, so that whoever reads the
            // notice finds the reason.
            failure.request = header;
            record(std::move(failure));
        }
        if (received) {
            handler.PushReceiveQueue(std::move(received));
            post(WM_DEVICE_MESSAGE, 1, 1, kNoRequester);
        } else {
            // The failure names its request's owner; replies go to everybody.
            post(WM_DEVICE_MESSAGE, 0, header, request->Requester());
        }
    }
}

} // namespace

void CRksDriver::RksThreadFunction(std::shared_ptr<Session> session)
{
    CAutoResetEvent* const waitList[] = {session->stop.get(), session->commission.get(), session->send.get()};
    IRksLink& link = *session->link;

    const Protocol::SConnection connection = Protocol::ParseConnection(session->connection);
    bool open = link.Open(connection.text);
    const auto downloadRoute = ServiceFraming::DownloadRoute(connection);

    std::string identity;
    bool probed = false;
    if (open) {
        const std::uint8_t probe[] = {ServiceFraming::kIdentityProbe};
        std::vector<std::uint8_t> reply;
        open = link.Transfer(std::string(ServiceFraming::kIdentityRoute), probe, reply);
        identity = ServiceFraming::IdentityText(reply);
        probed = true;
    }
    if (!open) {
        SLinkFailure failure = link.LastFailure();
        if (failure.kind == SLinkFailure::Kind::None)
            failure.text = "the link did not open";
        if (probed)
            failure.text = "the unit did not identify itself: " + failure.text;
        session->RecordFailure(std::move(failure));
        session->ReleaseLink();
        session->Post(WM_CONNECTION_EVENT, DRIVER_OPEN_FAILED, 0);
        session->Finish();
        return;
    }

    bool running = false;
    {
        std::lock_guard lock(session->gate);
        if (!session->abandoned) {
            session->opened = true;
            session->identity = identity;
            PostMessageTo(session->handler, WM_CONNECTION_EVENT,
                          identity == ServiceFraming::kQoraIdentity ? DRIVER_OPEN_QORA : DRIVER_OPEN_OTHER_UNIT, 0);
            running = true;
        }
    }

    // The handler outlives an opened connection: it stops and joins this
    // thread before it lets the driver go.
    CCommHandler* handler = session->handler;
    auto post = [&](unsigned message, MsgWParam wParam, MsgLParam lParam, TargetSerial requester) {
        session->Post(message, wParam, lParam, requester);
    };
    while (running) {
        switch (CAutoResetEvent::WaitAny(waitList)) {
        case 0:
            running = false;
            break;
        case 1:
            post(WM_CONNECTION_EVENT, DRIVER_COMMISSION_DONE, 0, kNoRequester);
            break;
        default:
            RunSendLoop(link, *handler, *session->stop, downloadRoute, post,
                        [&session](SLinkFailure failure) { session->RecordFailure(std::move(failure)); });
            break;
        }
    }
    link.Close();
    session->ReleaseLink();
    session->Finish();
}
