// Keeps tarvexctl's output clean under a locale whose character set is not UTF-8 (LANG=C,
// an ISO 8859 locale): Qt then switches itself to UTF-8 but announces it with a warning of
// several lines at every start, in the middle of what scripts read. Choosing the UTF-8
// character set before Qt starts leaves it nothing to announce.
#pragma once

class Utf8Locale
{
public:
    // Call before QCoreApplication exists. When the environment's locale has no UTF-8
    // character set, sets LC_CTYPE to the same locale in UTF-8 (or to C.UTF-8) in the
    // environment; every other category keeps what the environment gave it.
    static void ensure();
};
