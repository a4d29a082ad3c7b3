#include "base/Helpers.h"

QString GetToken(const QString& delimiter, const QString& text, int index)
{
    if (index < 0)
        return {};
    if (delimiter.isEmpty())
        return index == 0 ? text : QString();
    // Each match of the whole delimiter ends a token; only its first
    // character is removed (callers use one-character delimiters).
    int token = 0;
    qsizetype from = 0;
    qsizetype scan = 0;
    while (true) {
        const qsizetype at = text.indexOf(delimiter, scan);
        if (at < 0)
            break;
        if (token == index)
            return text.mid(from, at - from);
        ++token;
        from = at + 1;
        scan = from;
    }
    return token == index ? text.mid(from) : QString();
}
