#pragma once
// One request outside any data group (the unit reset), sent through the
// connection's handler; the answer, or its failure, comes back once.

#include "link/DeviceMessage.h"
#include "platform/MessageTarget.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class CCommHandler;

class CSingleRequest : public CMessageTarget {
    Q_OBJECT
public:
    // The reply's bytes, or nothing when the request failed.
    using Done = std::function<void(std::optional<std::vector<std::uint8_t>> reply)>;

    explicit CSingleRequest(CCommHandler& handler);
    ~CSingleRequest() override;

    // Sends the request (class, address, opcode, body); a reply counts when
    // its class and address bytes are the request's.
    void Send(std::vector<std::uint8_t> request, Done done);

protected:
    MsgResult OnMessage(unsigned message, MsgWParam wParam, MsgLParam lParam) override;

private:
    void Complete(std::optional<std::vector<std::uint8_t>> reply);

    CCommHandler& handler_;
    std::vector<std::uint8_t> request_;
    Done done_;
};

// The unit reset of the main frame (class 0x86, function 0x0D, opcode 0x36).
[[nodiscard]] std::vector<std::uint8_t> UnitResetRequest();
