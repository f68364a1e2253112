#include "exporter/ExporterLog.h"

Q_LOGGING_CATEGORY(lcExporter, "qora.exporter", QtInfoMsg)
