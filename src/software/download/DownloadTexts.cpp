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

QString ReadableEnding(int number)
{
    if (number <= kHighestResultCode) {
        QString meaning;
        switch (number) {
        case 2: meaning = QStringLiteral("a bad or unexpected reply, or too many send failures"); break;
        case 3: meaning = QStringLiteral("the unit refused the software"); break;
        case 5: meaning = QStringLiteral("the unit refused the version (version check result 3)"); break;
        case 6: meaning = QStringLiteral("the unit stayed busy at the version check"); break;
        case 7: meaning = QStringLiteral("an unexpected TFTP opcode or final status"); break;
        case 12: meaning = QStringLiteral("the unit stayed busy too long"); break;
        default: meaning = QStringLiteral("a failure without a known meaning"); break;
        }
        return QStringLiteral("The target device encountered a non-recoverable error: %1 (code %2)")
            .arg(meaning)
            .arg(number);
    }
    QString message;
    switch (number) {
    case 14: message = QStringLiteral("the start command \"M:17,2,1\""); break;
    case 15: message = QStringLiteral("the write request for the master file"); break;
    case 16: message = QStringLiteral("a data block of the master file"); break;
    case 17: message = QStringLiteral("the version check command \"M:17,2,2\""); break;
    case 19: message = QStringLiteral("the write request \"SWDownload0\" for the image"); break;
    case 20: message = QStringLiteral("a data block of the image"); break;
    case 21: message = QStringLiteral("the end command \"M:17,2,4\""); break;
    case 22: message = QStringLiteral("the final status command \"M:17,3,0\""); break;
    case 24: message = QStringLiteral("the status query \"M:17,3,1\""); break;
    case 25: message = QStringLiteral("the transfer start command \"M:17,2,5\""); break;
    default: message = QStringLiteral("a message of an unknown kind"); break;
    }
    return QStringLiteral("No reply received to %1 (message %2)").arg(message).arg(number);
}

} // namespace DownloadText
