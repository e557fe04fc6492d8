#pragma once

#include "stations/listline.h"

// A URL or name the list grammar can write back exactly, as the window's own fields are: a
// URL ending in a separator or an invisible character, or a name of junk only, cannot be.
inline bool listWritable(QStringView s, bool url)
{
    if (s.isEmpty())
        return !url;
    for (QChar c : s) {
        if (!listchars::isVisible(c) && c != u' ')
            return false;
    }
    return !listchars::inSetA(s.front()) && !listchars::inSetB(s.back()) &&
           !listchars::inSetD(s.back()) && !(url && listchars::inSetC(s.back()));
}
