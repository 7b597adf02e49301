// PTKeyCodeTranslator: the character printed on a key under one keyboard layout, with the
// process-wide cache of the translator for the layout in force.
#pragma once

#include <QString>
#include <QtGlobal>

#include <memory>

class KeyboardLayout;

class PTKeyCodeTranslator
{
public:
    // The translator for the layout in force now, or null when no layout can be had. A
    // layout change is noticed here, at the next lookup: the old translator is dropped.
    static PTKeyCodeTranslator *currentTranslator();

    // The layout source used by currentTranslator(). Chosen at first use (the X server's
    // layout on X11, the US layout elsewhere) unless set before; setting drops the cache.
    static KeyboardLayout *layoutSource();
    static void setLayoutSource(std::unique_ptr<KeyboardLayout> source);

    PTKeyCodeTranslator(KeyboardLayout *source, quint64 keyboardLayout);

    // One UTF-16 unit, or an empty string when the key prints nothing under this layout.
    QString translateKeyCode(qint16 keyCode);
    quint64 keyboardLayout() const { return mKeyboardLayout; }
    QString description() const;

private:
    KeyboardLayout *mSource;
    quint64 mKeyboardLayout;
    quint32 mDeadKeyState = 0;
};
