// PTKeyComboPanelTarget: what a window that runs the capture panel as a sheet implements to
// hear how the sheet ended.
#pragma once

class PTKeyComboPanelTarget
{
public:
    virtual ~PTKeyComboPanelTarget() = default;
    // 1 after OK or Clear, 0 after Cancel. The result (keyCombo(), keyBindingName()) is read
    // from PTKeyComboPanel::sharedPanel().
    virtual void hotKeySheetDidEndWithReturnCode(int returnCode) = 0;
};
