#include "platform/LogCategories.h"

// Warnings off unless a rule turns them on (see the header).
Q_LOGGING_CATEGORY(lcLink, "qora.link", QtCriticalMsg)
Q_LOGGING_CATEGORY(lcRks, "qora.rks", QtCriticalMsg)
Q_LOGGING_CATEGORY(lcData, "qora.data", QtCriticalMsg)
Q_LOGGING_CATEGORY(lcFirmware, "qora.firmware", QtCriticalMsg)
Q_LOGGING_CATEGORY(lcCommissioning, "qora.commissioning", QtCriticalMsg)
