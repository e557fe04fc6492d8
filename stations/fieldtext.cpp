#include "stations/fieldtext.h"

#include "stations/listline.h"

namespace {

template <typename Lead, typename Trail>
QString trimmed(QStringView text, qsizetype limit, Lead lead, Trail trail)
{
    text = text.left(limit);
    qsizetype b = 0, e = text.size();
    while (b < e && lead(text[b]))
        ++b;
    while (e > b && trail(text[e - 1]))
        --e;
    return text.sliced(b, e - b).toString();
}

} // namespace

QString cleanUrlFieldText(QStringView text)
{
    return trimmed(text, 4094, listchars::inSetC, listchars::inSetC);
}

QString cleanNameFieldText(QStringView text)
{
    return trimmed(text, 1022, listchars::inSetA, listchars::inSetB);
}
