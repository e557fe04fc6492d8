#pragma once

#include <QString>
#include <cstdint>
#include <optional>

// Mark bits of an entry's flags.
inline constexpr std::int32_t MARK_MODIFIED = 0x8000;  // user-changed; "#" in the file
inline constexpr std::int32_t MARK_INVALID = 0x4000;   // failed, user name kept; not stored
inline constexpr std::int32_t MARK_DUPLICATE = 0x2000; // only inside duplicate removal

// One entry of the station list: a station (URL set) or a category heading (no URL).
struct ListEntry {
    QString name;
    QString url;
    std::int32_t flags = 0;
    QString format;

    bool operator==(const ListEntry&) const = default;
};

// The character sets of the list-line grammar.
namespace listchars {
bool inSetA(QChar c); // leading junk before an entry
bool inSetB(QChar c); // trailing junk after a name or URL
bool inSetC(QChar c); // characters that end a URL
bool inSetD(QChar c); // blank, tab, double quote
bool isVisible(QChar c);
} // namespace listchars

// Splits one line of a list file, a pasted text or a preselection value into an entry.
std::optional<ListEntry> ParseListLine(QStringView line);

// The entry as one line of the list-file format, without line end: for a station an
// optional "#", the name and " \t", the URL and " \t" with the format tag; for a category
// the title alone.
QString FormatListLine(const ListEntry& entry);

// A name as the list-file grammar can hold it: one line, cut before an "http" (which would
// start the URL), without trailing blanks, tabs or quotes.
QString listSafeName(QStringView name);
