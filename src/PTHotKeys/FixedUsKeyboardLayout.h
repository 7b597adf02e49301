// FixedUsKeyboardLayout: the US layout as a fixed table, used where no X server tells us the
// real one (offscreen runs, Wayland without X11).
#pragma once

#include "PTHotKeys/KeyboardLayout.h"

class FixedUsKeyboardLayout : public KeyboardLayout
{
public:
    quint64 currentLayout() override { return 1; }
    QString localizedName(quint64 layout) const override;
    QString kind() const override { return QStringLiteral("us"); }
    QString translate(quint64 layout, quint16 virtualKeyCode, quint32 *deadKeyState) override;
};
