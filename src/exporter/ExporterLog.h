#pragma once
// The exporter's logging category, "qora.exporter": on at info level, as a
// service's journal wants its start, its reloads and its failures.

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcExporter)
