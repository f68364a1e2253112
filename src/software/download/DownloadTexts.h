#pragma once
// The texts the download shows the user, beyond those of the files
// (SoftwareFileResultText).

#include <QString>

namespace DownloadText {

QString ChannelTooLow();
QString AlreadyInProgress();
QString VersionExists();
QString VersionOlder();
// Shown when the unit reports holding the whole image before the transfer.
QString NonRecoverable();
QString Completed();

// The error text of a download that ended with this number: the result code,
// or for a send failure the kind of the last message sent. Numbers up to 13
// are the unit's fault, higher ones (message kinds) a reply that never came.
QString ForEnding(int number);
// The same ending in words for a log or a terminal, on one line: what the
// result code means, or which message got no reply, with the number.
QString ReadableEnding(int number);

} // namespace DownloadText
