// The switch layer's diagnostics category; see FirmwareLog.h.
#include "switch/FirmwareLog.h"

// Info and above by default: the programs log outcomes there, the layer's chatter is debug.
Q_LOGGING_CATEGORY(tarvexFirmware, "tarvex.firmware", QtInfoMsg)
