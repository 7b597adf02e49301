// The device layer's logging category; see HidLog.h.
#include "usb/HidLog.h"

// Warnings by default: the report trace is far too chatty for anyone not hunting a fault.
Q_LOGGING_CATEGORY(tarvexHid, "tarvex.hid", QtWarningMsg)
