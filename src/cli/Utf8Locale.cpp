// Choosing a UTF-8 character set before Qt looks; see Utf8Locale.h.
#include "cli/Utf8Locale.h"

#include <QByteArray>
#include <clocale>
#include <cstdlib>
#include <langinfo.h>
#include <strings.h>

namespace {

bool codesetIsUtf8()
{
    const char *codeset = nl_langinfo(CODESET);
    return codeset != nullptr &&
           (strcasecmp(codeset, "UTF-8") == 0 || strcasecmp(codeset, "utf8") == 0);
}

} // namespace

void Utf8Locale::ensure()
{
    if (std::setlocale(LC_ALL, "") == nullptr || codesetIsUtf8())
        return;
    // The same language in UTF-8 when the system has it ("de_DE@euro" -> "de_DE.UTF-8"),
    // else the always present C.UTF-8.
    QByteArray name = std::setlocale(LC_CTYPE, nullptr);
    name.truncate(name.indexOf('@') < 0 ? name.size() : name.indexOf('@'));
    name.truncate(name.indexOf('.') < 0 ? name.size() : name.indexOf('.'));
    name += ".UTF-8";
    if (std::setlocale(LC_CTYPE, name.constData()) == nullptr || !codesetIsUtf8()) {
        name = "C.UTF-8";
        if (std::setlocale(LC_CTYPE, name.constData()) == nullptr)
            return; // nothing better to offer: Qt will say so itself
    }
    // LC_ALL would override LC_CTYPE: hand its value to each category it stood for, so
    // that only the character set changes.
    if (const char *all = std::getenv("LC_ALL"); all != nullptr && *all != '\0') {
        const QByteArray value = all;
        for (const char *category :
             {"LC_NUMERIC", "LC_TIME", "LC_COLLATE", "LC_MONETARY", "LC_MESSAGES", "LC_PAPER",
              "LC_NAME", "LC_ADDRESS", "LC_TELEPHONE", "LC_MEASUREMENT", "LC_IDENTIFICATION"})
            setenv(category, value.constData(), 1);
        unsetenv("LC_ALL");
    }
    setenv("LC_CTYPE", name.constData(), 1);
}
