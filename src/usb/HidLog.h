// The device layer's logging category, "tarvex.hid". Off below warnings unless the user asks
// for it: QT_LOGGING_RULES="tarvex.hid.debug=true" traces every report written and read.
#pragma once

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(tarvexHid)
