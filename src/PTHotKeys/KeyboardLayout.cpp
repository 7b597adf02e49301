// KeyboardLayout seam: out-of-line destructor so the vtable has a home.
#include "PTHotKeys/KeyboardLayout.h"

KeyboardLayout::~KeyboardLayout() = default;
