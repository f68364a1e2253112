#pragma once
// The program's logging categories, declared once. Failures are logged at
// warning level with their reason, connection events at info level. All of
// them are off by default, so that a program's own one-line reasons stay alone
// on standard error: QT_LOGGING_RULES turns them on, and so does --log FILE.
//
//   qora.link           handler and driver: connections, failed requests
//   qora.rks            the TCP link: refused OPENs, socket errors, timeouts,
//                       malformed frames
//   qora.data           data groups: replies that are short or malformed
//   qora.firmware       download and activation failures
//   qora.commissioning  commissioning writes, the reset
//
// Older categories keep their own definitions: qora.files, qora.data.user and
// qora.delaycalc. The TCP link's failures, once under qora.rks.link, are in
// qora.rks (a rule "qora.rks*" matches both names).

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcLink)
Q_DECLARE_LOGGING_CATEGORY(lcRks)
Q_DECLARE_LOGGING_CATEGORY(lcData)
Q_DECLARE_LOGGING_CATEGORY(lcFirmware)
Q_DECLARE_LOGGING_CATEGORY(lcCommissioning)
