// HotKeysLog: warnings (why hot keys are limited) reach stderr by default; debug lines trace
// the desktop portal's requests when "tarvex.hotkeys.debug=true".
#include "PTHotKeys/HotKeysLog.h"

Q_LOGGING_CATEGORY(tarvexHotkeys, "tarvex.hotkeys", QtWarningMsg)
