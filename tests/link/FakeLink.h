#pragma once
// A link object for driver tests: scripted answers, a record of every call
// (kept in a shared log that outlives the link), and an Open that can be held.

#include "link/ComponentFactory.h"
#include "link/IRksLink.h"

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

struct FakeLinkLog {
    std::mutex lock;
    std::condition_variable changed;

    // Script
    bool openSucceeds = true;
    bool holdOpen = false;          // Open waits until released
    bool interruptReleases = true;  // Interrupt releases a held Open (which then fails)
    bool holdTransfers = false;     // each non-probe Transfer waits until released
    std::vector<std::uint8_t> identity{'Q', 'O', 'R', 'H', 'W', '2', 0};
    bool probeSucceeds = true;
    std::function<bool(const std::vector<std::uint8_t>&, std::vector<std::uint8_t>&)> answer =
        [](const std::vector<std::uint8_t>& request, std::vector<std::uint8_t>& reply) {
            reply = {0x54, 0x57};
            reply.insert(reply.end(), request.begin() + 2, request.end());
            return true;
        };

    // Record
    int opens = 0, closes = 0, interrupts = 0, destroyed = 0, released = 0;
    bool openEntered = false;
    std::string openedWith;
    std::vector<std::pair<std::optional<std::string>, std::vector<std::uint8_t>>> transfers;
    std::thread::id destroyedOn;

    void Release()
    {
        std::lock_guard guard(lock);
        ++released;
        changed.notify_all();
    }
    template <typename Predicate>
    bool WaitFor(Predicate predicate, int ms = 5000)
    {
        std::unique_lock guard(lock);
        return changed.wait_for(guard, std::chrono::milliseconds(ms), predicate);
    }
};

class FakeLink : public IRksLink {
public:
    explicit FakeLink(std::shared_ptr<FakeLinkLog> log) : log_(std::move(log)) {}
    ~FakeLink() override
    {
        std::lock_guard guard(log_->lock);
        ++log_->destroyed;
        log_->destroyedOn = std::this_thread::get_id();
        log_->changed.notify_all();
    }

    bool Open(const std::string& connection) override
    {
        std::unique_lock guard(log_->lock);
        ++log_->opens;
        log_->openEntered = true;
        log_->openedWith = connection;
        log_->changed.notify_all();
        if (log_->holdOpen) {
            const int seen = log_->released;
            log_->changed.wait(guard, [&] { return log_->released > seen || interrupted_; });
            if (interrupted_)
                return false;
        }
        return log_->openSucceeds;
    }
    void Close() override
    {
        std::lock_guard guard(log_->lock);
        ++log_->closes;
        log_->changed.notify_all();
    }
    bool Transfer(const std::optional<std::string>& route, std::span<const std::uint8_t> request,
                  std::vector<std::uint8_t>& reply) override
    {
        std::unique_lock guard(log_->lock);
        std::vector<std::uint8_t> bytes(request.begin(), request.end());
        log_->transfers.emplace_back(route, bytes);
        log_->changed.notify_all();
        if (route && *route == "wp=opt,pr=q1dl") {
            reply = log_->identity;
            return log_->probeSucceeds;
        }
        if (log_->holdTransfers) {
            const int seen = log_->released;
            log_->changed.wait(guard, [&] { return log_->released > seen; });
        }
        return log_->answer(bytes, reply);
    }
    void Interrupt() override
    {
        std::lock_guard guard(log_->lock);
        ++log_->interrupts;
        if (log_->interruptReleases)
            interrupted_ = true;
        log_->changed.notify_all();
    }

    // Makes the factory hand out fake links that write to this log.
    static void Install(const std::shared_ptr<FakeLinkLog>& log)
    {
        ComponentFactory<IRksLink>::Register(CLSID_RksLink, [log] { return std::make_unique<FakeLink>(log); });
    }

private:
    std::shared_ptr<FakeLinkLog> log_;
    bool interrupted_ = false; // guarded by the log's lock
};
