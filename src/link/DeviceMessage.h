#pragma once
// A growable byte buffer for one message to or from the unit. Appends write
// numbers most significant byte first; reads are bounds-checked and never touch
// bytes outside those in use. Growth is linear on purpose: messages are short and
// the download code reserves its room ahead.

#include <cstdint>
#include <span>
#include <string_view>

class CDeviceMessage {
public:
    static constexpr std::int32_t kGrowthStep = 500;

    CDeviceMessage();
    CDeviceMessage(const CDeviceMessage& other);
    CDeviceMessage& operator=(const CDeviceMessage& other);
    // A move hands the buffer over without copying it; the message moved from
    // is left empty, with no buffer until its next append or Reset.
    CDeviceMessage(CDeviceMessage&& other) noexcept;
    CDeviceMessage& operator=(CDeviceMessage&& other) noexcept;
    ~CDeviceMessage();
    // A message holding these bytes (a request the protocol library built).
    [[nodiscard]] static CDeviceMessage Of(std::span<const std::uint8_t> bytes);

    bool Reset();
    // Enlarges the buffer by count bytes, keeping contents and length.
    bool Reserve(std::int32_t count);
    // Marks count more bytes, written directly at the write position, as in use.
    bool Commit(std::int32_t count);

    [[nodiscard]] std::uint8_t* GetData() { return data_; }
    [[nodiscard]] const std::uint8_t* GetData() const { return data_; }
    [[nodiscard]] std::uint8_t* GetPointer(std::int32_t offset) { return data_ + offset; }
    [[nodiscard]] std::uint8_t* GetWritePointer() { return data_ + length_; }
    [[nodiscard]] std::int32_t GetLength() const { return length_; }
    [[nodiscard]] std::int32_t GetCapacity() const { return capacity_; }
    // The bytes in use, for the decoders that read replies.
    [[nodiscard]] std::span<const std::uint8_t> Bytes() const
    {
        return {data_, data_ ? static_cast<std::size_t>(length_) : 0};
    }

    bool AppendByte(std::uint8_t value);
    bool AppendUInt16(std::uint16_t value);
    bool AppendUInt32(std::uint32_t value);
    bool AppendBytes(const void* bytes, std::int32_t count);
    bool AppendMessage(const CDeviceMessage& other);
    // The text's characters and one terminating zero byte.
    bool AppendString(std::string_view text);

    // Reads leave the output untouched and return false unless
    // 0 <= offset and offset + size <= length.
    bool GetByte(std::int32_t offset, std::int32_t& value) const;
    bool GetUInt16(std::int32_t offset, std::int32_t& value) const;
    bool GetUInt32(std::int32_t offset, std::uint32_t& value) const;
    bool GetUInt32(std::int32_t offset, std::int32_t& value) const;
    bool GetUInt64(std::int32_t offset, std::uint64_t& value) const;
    // Four bytes least significant first: for replies carrying independent
    // bytes that the caller splits again.
    bool GetRawUInt32(std::int32_t offset, std::int32_t& value) const;

    // A request remembers who made it (the sending target's serial; 0 when
    // nobody said), so that the notice of its failure can name its owner. Not
    // part of the bytes: copies and assignments leave it out.
    void SetRequester(std::uint64_t serial) { requester_ = serial; }
    [[nodiscard]] std::uint64_t Requester() const { return requester_; }

private:
    [[nodiscard]] bool InRange(std::int32_t offset, std::int32_t size) const;
    void Reallocate(std::int32_t newCapacity);
    [[nodiscard]] std::uint64_t ReadBigEndian(std::int32_t offset, int size) const;

    std::uint8_t* data_;
    std::int32_t capacity_;
    std::int32_t length_;
    std::int32_t growthStep_;
    std::uint64_t requester_ = 0;
};
