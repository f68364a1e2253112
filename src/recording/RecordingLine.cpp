#include "recording/RecordingLine.h"

namespace recording {

const char* KindName(Kind kind)
{
    switch (kind) {
    case Kind::Open:
        return "open";
    case Kind::Close:
        return "close";
    case Kind::Transfer:
        break;
    }
    return "transfer";
}

std::optional<Kind> KindNamed(std::string_view name)
{
    if (name == "open")
        return Kind::Open;
    if (name == "transfer")
        return Kind::Transfer;
    if (name == "close")
        return Kind::Close;
    return std::nullopt;
}

} // namespace recording
