#pragma once
// The link object: one TCP connection to a unit, directly or through a gateway,
// speaking docs/link-contract.md. Open, Transfer and Close come from one
// thread; Interrupt may come from any thread at any time.
//
// Like a communication service, the link outlives a broken network path: the
// transfer that meets the break fails, and the next one opens the connection
// again with the string of the last Open (one attempt per transfer). A request
// is never sent twice, as the unit may have acted on it.

#include "link/IRksLink.h"
#include "rks/RksFrameReader.h"
#include "rks/RksSocket.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

class CRksTcpLink final : public IRksLink {
public:
    static constexpr std::chrono::milliseconds kDefaultConnectTimeout{5000};

    explicit CRksTcpLink(std::chrono::milliseconds connectTimeout = kDefaultConnectTimeout);
    ~CRksTcpLink() override;

    bool Open(const std::string& connection) override;
    void Close() override;
    bool Transfer(const std::optional<std::string>& route, std::span<const std::uint8_t> request,
                  std::vector<std::uint8_t>& reply) override;
    // Final: every Open and Transfer after it fails at once.
    void Interrupt() override;
    [[nodiscard]] SLinkFailure LastFailure() const override { return failure_; }

private:
    // Sends the request in frame_ and waits for the reply of that kind and
    // sequence number, passing over replies to earlier requests.
    bool Exchange(std::uint8_t kind, CRksSocket::Clock::time_point deadline, RksReply& reply);
    // Connects and has the far end accept the OPEN of connection.
    bool Connect(const std::string& connection);
    void Drop();
    bool Fail(SLinkFailure::Kind kind, std::string text, int result = -1);
    // The exchange under way as the log names it.
    [[nodiscard]] std::string ActivityText() const;

    const std::chrono::milliseconds connectTimeout_;
    std::chrono::milliseconds transferTimeout_;
    std::atomic<bool> interrupted_{false};
    CRksSocket socket_;
    CRksFrameReader reader_;
    std::vector<std::uint8_t> frame_; // the request being sent, kept for its capacity
    std::uint16_t seq_ = 0;           // of the last request sent
    std::string connection_;          // of the last successful Open; empty after Close
    std::string endpointText_;        // "gateway host:port" or "host:port", for messages
    SLinkFailure failure_;            // of the last Open or Transfer
    std::string activity_;            // the OPEN under way, for the log
    // The request of the transfer under way (none while opening). It is put
    // into words only when something is logged: a firmware download makes
    // thousands of transfers and logs none of them.
    std::optional<std::span<const std::uint8_t>> transferRequest_;
};
