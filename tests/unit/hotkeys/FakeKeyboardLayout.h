// Fake keyboard layout for tests: characters per layout handle, switchable at will, and a
// record of the dead-key state words each translation was handed.
#pragma once

#include "PTHotKeys/KeyboardLayout.h"

#include <QHash>
#include <QList>

class FakeKeyboardLayout : public KeyboardLayout
{
public:
    quint64 layout = 1;
    QHash<quint64, QHash<int, QString>> characters;
    QList<quint32> deadKeyStatesSeen;
    int currentLayoutQueries = 0;

    quint64 currentLayout() override
    {
        ++currentLayoutQueries;
        return layout;
    }
    QString localizedName(quint64 handle) const override
    {
        return QStringLiteral("fake %1").arg(handle);
    }
    QString kind() const override { return QStringLiteral("fake"); }
    QString translate(quint64 handle, quint16 keyCode, quint32 *deadKeyState) override
    {
        deadKeyStatesSeen.append(*deadKeyState);
        ++*deadKeyState; // lets a test see whether a translator's state word carried over
        return characters.value(handle).value(keyCode);
    }
};
