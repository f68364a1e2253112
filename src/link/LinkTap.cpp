#include "link/LinkTap.h"

#include <chrono>
#include <mutex>
#include <utility>

namespace {

std::mutex observerLock;
std::shared_ptr<ILinkObserver> installedObserver;

std::int64_t NowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

class CTappedLink final : public IRksLink {
public:
    CTappedLink(std::unique_ptr<IRksLink> link, std::shared_ptr<ILinkObserver> observer)
        : link_(std::move(link)), observer_(std::move(observer))
    {
    }

    bool Open(const std::string& connection) override
    {
        connection_ = connection;
        const std::int64_t started = NowMs();
        const bool ok = link_->Open(connection);
        SLinkExchange exchange;
        exchange.kind = SLinkExchange::Kind::Open;
        exchange.connection = &connection_;
        exchange.request = {reinterpret_cast<const std::uint8_t*>(connection.data()), connection.size()};
        Report(exchange, started, ok);
        return ok;
    }

    void Close() override
    {
        link_->Close();
        SLinkExchange exchange;
        exchange.kind = SLinkExchange::Kind::Close;
        exchange.connection = &connection_;
        exchange.timeMs = NowMs();
        observer_->OnLinkExchange(exchange);
    }

    bool Transfer(const std::optional<std::string>& route, std::span<const std::uint8_t> request,
                  std::vector<std::uint8_t>& reply) override
    {
        const std::int64_t started = NowMs();
        const bool ok = link_->Transfer(route, request, reply);
        SLinkExchange exchange;
        exchange.kind = SLinkExchange::Kind::Transfer;
        exchange.connection = &connection_;
        exchange.route = &route;
        exchange.request = request;
        if (ok)
            exchange.reply = std::span<const std::uint8_t>(reply);
        Report(exchange, started, ok);
        return ok;
    }

    void Interrupt() override { link_->Interrupt(); }
    [[nodiscard]] SLinkFailure LastFailure() const override { return link_->LastFailure(); }

private:
    void Report(SLinkExchange& exchange, std::int64_t started, bool ok)
    {
        exchange.timeMs = started;
        exchange.rttMs = NowMs() - started;
        exchange.ok = ok;
        if (!ok) {
            // A failure without the far end's word (a broken connection, no
            // reply in time) reads as a unit that did not answer.
            const int result = link_->LastFailure().result;
            exchange.result = result > 0 && result <= 255 ? result : 2;
        }
        observer_->OnLinkExchange(exchange);
    }

    std::unique_ptr<IRksLink> link_;
    std::shared_ptr<ILinkObserver> observer_;
    std::string connection_;
};

} // namespace

void SetLinkObserver(std::shared_ptr<ILinkObserver> observer)
{
    const std::lock_guard guard(observerLock);
    installedObserver = std::move(observer);
}

std::shared_ptr<ILinkObserver> CurrentLinkObserver()
{
    const std::lock_guard guard(observerLock);
    return installedObserver;
}

std::unique_ptr<IRksLink> TapLink(std::unique_ptr<IRksLink> link, std::shared_ptr<ILinkObserver> observer)
{
    if (!link || !observer)
        return link;
    return std::make_unique<CTappedLink>(std::move(link), std::move(observer));
}
