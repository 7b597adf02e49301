// Access to the X connection Qt itself uses, so that grabs and keymap queries share its event
// stream. Null unless the application runs on the xcb platform.
#pragma once

#include <xcb/xcb.h>

xcb_connection_t *qtXcbConnection();

// The root window of the first screen of that connection.
xcb_window_t qtXcbRootWindow(xcb_connection_t *connection);
