// Text lookup in the "Translation" table; see Translation.h.
#include "Translation.h"

#include <QCoreApplication>

QString tx(const char *key)
{
    return QCoreApplication::translate("Translation", key);
}
