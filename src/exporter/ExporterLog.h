#pragma once
// The exporter's logging category, "qora.exporter": on at info level, as a
// service's journal wants its start, its reloads and its failures; each probe
// of a unit that does not answer is logged at debug level
// (QT_LOGGING_RULES="qora.exporter.debug=true").

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcExporter)
