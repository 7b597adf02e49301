// <xcb/xkb.h> names a struct member `explicit`, which C++ does not accept: include it here.
#pragma once

#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit
