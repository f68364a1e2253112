#include "software/download/DownloadChannel.h"

#include "protocol/Connection.h"

bool IsChannelBelowDownloadChannel(const std::string& connection)
{
    const auto channel = Protocol::ParseConnection(connection).channel;
    return channel && *channel < Protocol::kDownloadChannel;
}
