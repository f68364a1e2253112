#pragma once
// What reading a work order gives back: the thing read, or why not. The
// reader tells nobody; the caller shows the message and logs the detail.

#include <QString>

#include <type_traits>
#include <utility>
#include <variant>

// String-table messages of the work order reader.
namespace WorkOrderStringId {
inline constexpr unsigned ReadError = 61249;
inline constexpr unsigned OutOfMemory = 61250;
inline constexpr unsigned CreateParserFailed = 61288;
inline constexpr unsigned ParseFailed = 61289;
inline constexpr unsigned NoUnits = 61290;
} // namespace WorkOrderStringId

// Why a work order could not be read: the message the user is shown (one of
// WorkOrderStringId) and, for the log, what went wrong (the file's error,
// libxml2's line and reason, the bound that was passed).
struct WorkOrderError {
    unsigned messageId = 0;
    QString detail;
};

// The value, or the error.
template <typename T, typename Error = WorkOrderError>
class [[nodiscard]] WorkOrderResult {
public:
    WorkOrderResult()
        requires std::is_default_constructible_v<T>
    = default;
    WorkOrderResult(T value) : value_(std::in_place_index<0>, std::move(value)) {}
    WorkOrderResult(Error error) : value_(std::in_place_index<1>, std::move(error)) {}

    explicit operator bool() const { return value_.index() == 0; }
    [[nodiscard]] T& Value() { return std::get<0>(value_); }
    [[nodiscard]] const T& Value() const { return std::get<0>(value_); }
    [[nodiscard]] const Error& Failure() const { return std::get<1>(value_); }

private:
    std::variant<T, Error> value_;
};

// Success without a value, or the error.
struct WorkOrderDone {};
template <typename Error = WorkOrderError>
using WorkOrderStatus = WorkOrderResult<WorkOrderDone, Error>;
