#include "software/download/DownloadTexts.h"

namespace DownloadText {
namespace {
constexpr int kHighestResultCode = 13;
}

QString ChannelTooLow()
{
    return QStringLiteral("Select channel 9 for software download.");
}

QString AlreadyInProgress()
{
    return QStringLiteral("Internal error encountered.\n\nDownload is already in progress.");
}

QString VersionExists()
{
    return QStringLiteral("This software version already exists in QORA.\nDo you still wish to download?");
}

QString VersionOlder()
{
    return QStringLiteral("New SW is older than both SW's in QORA.\nDo you still wish to download?");
}

QString NonRecoverable()
{
    return QStringLiteral("The target device encountered a non-recoverable error\n \n\n"
                          "The download can not be continued.\nDownload the software again.");
}

QString Completed()
{
    return QStringLiteral("Software download completed successfully ");
}

QString ForEnding(int number)
{
    // As "%04X" would print it.
    const QString hex = QString::number(static_cast<unsigned>(number), 16).toUpper();
    const QString message = QStringLiteral("Unknown message : (%1)").arg(hex.rightJustified(4, QLatin1Char('0')));
    if (number <= kHighestResultCode)
        return QStringLiteral("The target device encountered a non-recoverable error\n (%1).\n\n"
                              "Try again. If the problem persists, the target device may\nhave a hardware problem.")
            .arg(message);
    return QStringLiteral("Problems encountered when sending data to the target\n"
                          "device. No reply received to following message:\n%1.\n\n"
                          "Try again and if the problem persists, try to disconnect\n"
                          "and reconnect to the target device.")
        .arg(message);
}

} // namespace DownloadText
