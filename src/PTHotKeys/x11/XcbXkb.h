// <xcb/xkb.h> names a struct member `explicit`, which C++ does not accept: include it here.
#pragma once

// Redefining a keyword is the point here; clang would otherwise reject it under -Werror.
#ifdef __clang__
#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Wkeyword-macro"
#endif
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit
#ifdef __clang__
#pragma clang diagnostic pop
#endif
