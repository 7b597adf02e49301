// The switch layer's diagnostics category, "tarvex.firmware": the firmware check's query and
// answer, the transfer's course and outcome, the per-switch lock. Debug lines are off by
// default (QT_LOGGING_RULES="tarvex.firmware.debug=true" shows them).
#pragma once

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(tarvexFirmware)
