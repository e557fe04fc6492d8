#include "app/cutil.h"
#include "fuzz/fuzzcheck.h"

#include <QByteArrayView>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString wide = CUtil::ToWide(bytes);
    // UTF-8 never takes more UTF-16 units than bytes; Windows-1252 takes one per byte.
    fuzzCheck(wide.size() <= bytes.size(), "ToWide does not grow the text");

    const QString decoded = CUtil::DecodeText(bytes);
    // Each escape or entity becomes at most one character.
    fuzzCheck(decoded.size() <= wide.size(), "DecodeText does not grow the text");
    if (!bytes.contains('%') && !bytes.contains('&'))
        fuzzCheck(decoded == wide, "text without escapes is only decoded");
    return 0;
}
