#include "platform/codepage.h"

#include <QHash>
#include <array>
#include <iconv.h>

namespace platform {
namespace {

struct Table {
    std::array<char16_t, 256> toWide{};
    QHash<char16_t, char> fromWide;
};

// Built once from iconv; afterwards each conversion is a table lookup.
const Table& table()
{
    static const Table t = [] {
        Table r;
        for (int b = 0; b < 256; ++b)
            r.toWide[b] = static_cast<char16_t>(b);
        iconv_t cd = iconv_open("UTF-16LE", "WINDOWS-1252");
        if (cd != reinterpret_cast<iconv_t>(-1)) {
            for (int b = 0x80; b < 0x100; ++b) {
                char in = static_cast<char>(b);
                unsigned char out[4] = {};
                char* inPtr = &in;
                char* outPtr = reinterpret_cast<char*>(out);
                size_t inLeft = 1, outLeft = sizeof out;
                if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1) &&
                    outLeft == 2)
                    r.toWide[b] = static_cast<char16_t>(out[0] | (out[1] << 8));
                iconv(cd, nullptr, nullptr, nullptr, nullptr);
            }
            iconv_close(cd);
        }
        for (int b = 0x80; b < 0x100; ++b)
            r.fromWide.insert(r.toWide[b], static_cast<char>(b));
        return r;
    }();
    return t;
}

} // namespace

QString fromWindows1252(QByteArrayView bytes)
{
    const Table& t = table();
    QString out(bytes.size(), Qt::Uninitialized);
    QChar* dst = out.data();
    for (qsizetype i = 0; i < bytes.size(); ++i)
        dst[i] = QChar(t.toWide[static_cast<unsigned char>(bytes[i])]);
    return out;
}

QByteArray toWindows1252(QStringView text)
{
    const Table& t = table();
    QByteArray out(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0x80)
            out[i] = static_cast<char>(c);
        else
            out[i] = t.fromWide.value(c, '?');
    }
    return out;
}

} // namespace platform
