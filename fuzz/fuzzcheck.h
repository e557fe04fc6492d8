#pragma once

#include <QString>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// A property every input must keep; a violation aborts so that libFuzzer saves the input.
inline void fuzzCheck(bool holds, const char* what)
{
    if (!holds) {
        std::fprintf(stderr, "property violated: %s\n", what);
        std::abort();
    }
}

// The input as UTF-16 (any code units, lone surrogates included); an odd last byte is not
// part of it. Copied, since the input need not be aligned for char16_t.
inline QString fuzzUtf16(const std::uint8_t* data, std::size_t size)
{
    QString wide(qsizetype(size / 2), Qt::Uninitialized);
    std::memcpy(wide.data(), data, (size / 2) * sizeof(char16_t));
    return wide;
}
