// PTKeyCodeTranslator and its cache. The cache compares layout handles only, so showing the
// five hot keys costs one handle query per name rather than a keymap read.
#include "PTHotKeys/PTKeyCodeTranslator.h"

#include "PTHotKeys/FixedUsKeyboardLayout.h"
#include "PTHotKeys/KeyboardLayout.h"
#include "PTHotKeys/xkb/XkbKeyboardLayout.h"

namespace {

std::unique_ptr<KeyboardLayout> &source()
{
    static std::unique_ptr<KeyboardLayout> *layoutSource = new std::unique_ptr<KeyboardLayout>;
    return *layoutSource;
}

std::unique_ptr<PTKeyCodeTranslator> &current()
{
    static std::unique_ptr<PTKeyCodeTranslator> *translator =
        new std::unique_ptr<PTKeyCodeTranslator>;
    return *translator;
}

} // namespace

KeyboardLayout *PTKeyCodeTranslator::layoutSource()
{
    if (!source()) {
        if (auto xkb = XkbKeyboardLayout::create())
            source() = std::move(xkb);
        else
            source() = std::make_unique<FixedUsKeyboardLayout>();
    }
    return source().get();
}

void PTKeyCodeTranslator::setLayoutSource(std::unique_ptr<KeyboardLayout> layoutSource)
{
    current().reset();
    source() = std::move(layoutSource);
}

PTKeyCodeTranslator *PTKeyCodeTranslator::currentTranslator()
{
    KeyboardLayout *layouts = layoutSource();
    const quint64 layout = layouts->currentLayout();
    if (layout == 0)
        return nullptr; // the cached translator stays for when the layout is back
    if (!current() || current()->keyboardLayout() != layout)
        current() = std::make_unique<PTKeyCodeTranslator>(layouts, layout);
    return current().get();
}

PTKeyCodeTranslator::PTKeyCodeTranslator(KeyboardLayout *source, quint64 keyboardLayout)
    : mSource(source), mKeyboardLayout(keyboardLayout)
{
}

QString PTKeyCodeTranslator::translateKeyCode(qint16 keyCode)
{
    if (keyCode < 0)
        return QString();
    return mSource->translate(mKeyboardLayout, static_cast<quint16>(keyCode), &mDeadKeyState)
        .left(1);
}

QString PTKeyCodeTranslator::description() const
{
    return QStringLiteral("PTKeyCodeTranslator layout=%1 (%2)")
        .arg(mSource->localizedName(mKeyboardLayout), mSource->kind());
}
