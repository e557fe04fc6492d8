#pragma once

#include "stations/listline.h"

#include <QString>
#include <ostream>

// Readable failure messages for the list's types.
inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

inline void PrintTo(const ListEntry& e, std::ostream* os)
{
    *os << "{\"" << e.name.toStdString() << "\", \"" << e.url.toStdString() << "\", 0x" << std::hex
        << e.flags << std::dec << ", \"" << e.format.toStdString() << "\"}";
}
