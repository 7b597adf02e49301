// The application's one way to look up a user-visible text: the "Translation" table with
// the English text as the key, so a missing entry shows the key itself. Texts passed here
// as literals are found by the translation tools (QT_TRANSLATE_NOOP marks the others).
#pragma once

#include <QString>

QString tx(const char *key);
