// HotKeysLog: the diagnostics category of the hot-key layer ("tarvex.hotkeys").
#pragma once

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(tarvexHotkeys)
