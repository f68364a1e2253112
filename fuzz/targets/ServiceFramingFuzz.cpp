// The driver's framing of the unit's reply bytes into the tool's message
// layout, for any message class and opcode, and of requests the other way.
//
// Input: message class selector, addressing byte, opcode, then the reply bytes
// exactly as the communication service hands them over.

#include "FuzzSupport.h"

#include "link/ServiceFraming.h"

#include <array>
#include <string>

namespace {

constexpr std::array<std::uint8_t, 5> kClasses = {0x83, 0x84, 0x85, 0x86, 0x00};

void CheckReply(std::uint8_t messageClass, std::uint8_t address, std::uint8_t opcode,
                std::span<const std::uint8_t> reply)
{
    const auto message = ServiceFraming::FrameReply(messageClass, address, opcode, reply);
    if (!message)
        return;
    FUZZ_CHECK(!reply.empty());
    std::int32_t value = -1;
    FUZZ_CHECK(message->GetByte(0, value) && value == messageClass);
    FUZZ_CHECK(message->GetByte(1, value) && value == address);
    if (reply[0] == ServiceFraming::kReplyMark) {
        // The mark gives way to the class and addressing byte; the rest is kept.
        const auto expected = reply.size() >= 2 ? reply.size() + 1 : 2;
        FUZZ_CHECK(static_cast<std::size_t>(message->GetLength()) == expected);
        if (reply.size() >= 2)
            FUZZ_CHECK(message->GetByte(2, value) &&
                       value == ServiceFraming::FromServiceOpcode(messageClass, reply[1]));
    }
    // Every byte the message claims is readable, and nothing beyond.
    for (std::int32_t i = 0; i < message->GetLength(); ++i)
        FUZZ_CHECK(message->GetByte(i, value));
    FUZZ_CHECK(!message->GetByte(message->GetLength(), value));
    std::uint64_t wide = 0;
    FUZZ_CHECK(!message->GetUInt64(message->GetLength() - 7, wide));
}

void CheckRequest(std::span<const std::uint8_t> bytes, const std::optional<std::string>& route)
{
    CDeviceMessage request;
    request.AppendBytes(bytes.data(), static_cast<std::int32_t>(bytes.size()));
    const auto framed = ServiceFraming::FrameRequest(request, route);
    (void)ServiceFraming::PackedHeader(request);
    if (bytes.size() < 3) {
        FUZZ_CHECK(!framed);
        return;
    }
    if (!framed)
        return;
    if (bytes[0] != 0x85) {
        FUZZ_CHECK(framed->bytes.size() == bytes.size() - 1);
        FUZZ_CHECK(framed->bytes[0] == ServiceFraming::kRequestMark);
        FUZZ_CHECK(!framed->route);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::InputReader input({data, size});
    const std::uint8_t messageClass = kClasses[input.Byte() % kClasses.size()];
    const std::uint8_t address = input.Byte();
    const std::uint8_t opcode = input.Byte();
    const auto reply = input.Rest();

    CheckReply(messageClass, address, opcode, reply);

    // The same bytes as a request of that class, and as the texts the driver
    // reads out of replies and connection strings.
    std::vector<std::uint8_t> request = {messageClass, address, opcode};
    request.insert(request.end(), reply.begin(), reply.end());
    const std::string text(reply.begin(), reply.end());
    CheckRequest(request, ServiceFraming::ChooseDownloadRoute(text));
    (void)ServiceFraming::IdentityText(reply);
    const std::string trimmed = ServiceFraming::Trimmed(text);
    FUZZ_CHECK(trimmed.size() <= text.size());
    return 0;
}
