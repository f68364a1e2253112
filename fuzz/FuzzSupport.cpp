#include "FuzzSupport.h"

#include "platform/UserPrompts.h"

#include <algorithm>
#include <optional>

namespace fuzz {

void EnsureApplication()
{
    if (QCoreApplication::instance())
        return;
    // Qt keeps references to argc and argv for the application's life.
    static int argc = 1;
    static char name[] = "qora-fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication application(argc, argv);
}

void SilencePrompts()
{
    SetMessageBoxFunction([](const MessageBoxRequest&) { return MsgAnswer::Cancel; });
    SetFileDialogFunction([](const FileDialogRequest&) { return std::optional<QString>(); });
    SetShellOpenFunction([](const QString&) { return false; });
}

void DeliverPosted()
{
    QCoreApplication::sendPostedEvents();
}

std::uint8_t InputReader::Byte()
{
    return Empty() ? 0 : data_[at_++];
}

std::uint16_t InputReader::Word()
{
    const std::uint16_t high = Byte();
    return static_cast<std::uint16_t>(high << 8 | Byte());
}

std::span<const std::uint8_t> InputReader::Bytes(std::size_t count)
{
    const std::size_t taken = std::min(count, Left());
    const std::span<const std::uint8_t> bytes = data_.subspan(std::min(at_, data_.size()), taken);
    at_ += taken;
    return bytes;
}

} // namespace fuzz
