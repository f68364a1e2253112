#include "traffic/TrafficExchange.h"

const char* TrafficKindName(ETrafficKind kind)
{
    switch (kind) {
    case ETrafficKind::Open:
        return "open";
    case ETrafficKind::Close:
        return "close";
    case ETrafficKind::Transfer:
        break;
    }
    return "transfer";
}

std::optional<ETrafficKind> TrafficKindFromName(std::string_view name)
{
    if (name == "open")
        return ETrafficKind::Open;
    if (name == "transfer")
        return ETrafficKind::Transfer;
    if (name == "close")
        return ETrafficKind::Close;
    return std::nullopt;
}
