#pragma once

#include <QByteArray>
#include <cstddef>

// A libcurl header or body callback that appends to text up to limit bytes; a block that
// would pass the limit ends the transfer (libcurl sees a short write) and sets tooLarge.
struct CappedSink {
    QByteArray* text;
    qsizetype limit;
    bool tooLarge = false;

    static std::size_t append(char* data, std::size_t size, std::size_t count, void* user)
    {
        auto* sink = static_cast<CappedSink*>(user);
        const std::size_t n = size * count;
        if (sink->text->size() + qsizetype(n) > sink->limit) {
            sink->tooLarge = true;
            return 0;
        }
        sink->text->append(data, qsizetype(n));
        return n;
    }
};
