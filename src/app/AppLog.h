// The tray application's diagnostics category, "tarvex.app". Warnings reach stderr by
// default; QT_LOGGING_RULES switches the debug lines on.
#pragma once

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(tarvexApp)
