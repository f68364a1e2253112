#include "software/download/DownloadChannel.h"

#include <cctype>

namespace {
constexpr int kDownloadChannel = 9;
constexpr std::string::size_type kChannelSearchFrom = 1;
} // namespace

bool IsChannelBelowDownloadChannel(const std::string& connection)
{
    static constexpr char kItem[] = ",CH=";
    const auto at = connection.find(kItem, kChannelSearchFrom);
    if (at == std::string::npos)
        return false;
    auto i = at + sizeof(kItem) - 1;
    while (i < connection.size() && connection[i] == ' ')
        ++i;
    long channel = 0;
    for (; i < connection.size(); ++i) {
        const auto c = static_cast<unsigned char>(connection[i]);
        if (!std::isdigit(c))
            break;
        channel = channel * 10 + (c - '0');
        if (channel >= kDownloadChannel)
            return false; // stop before a long digit run can overflow
    }
    return channel < kDownloadChannel;
}
