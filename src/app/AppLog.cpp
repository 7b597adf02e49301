// The "tarvex.app" logging category; see AppLog.h.
#include "AppLog.h"

// Debug lines stay off unless QT_LOGGING_RULES asks for them.
Q_LOGGING_CATEGORY(tarvexApp, "tarvex.app", QtInfoMsg)
