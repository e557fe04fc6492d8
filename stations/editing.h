#pragma once

#include "stations/listline.h"

#include <QString>
#include <vector>

class StationList;

// The list-editing operations that need no window: clipboard text, sorting, searching and
// removing failed stations. The window's commands (selection, questions, messages) build on
// them.

inline constexpr const char16_t* kClipboardHeader = u"Kestrelwave URL List Subset";

// The clipboard text of rows: the header line, then one list-file line per row.
QString clipboardText(const std::vector<ListEntry>& rows);
// The rows of a clipboard text; nothing when it lacks the header. A last line without a line
// end is not taken.
std::vector<ListEntry> parseClipboardText(QStringView text);

// Sorts each run of stations between category headings by name, without regard to case and
// on at most the first 256 characters; equal names keep their order, headings never move.
// True when anything moved.
bool sortSections(StationList& list);

// The first row from start whose name or URL contains text (without regard to case),
// searching once more from row 0 when nothing is found after start; -1 when none matches.
qsizetype searchList(const StationList& list, QStringView text, qsizetype start);

// Erases every entry named exactly "INVALID"; the number erased.
int removeInvalid(StationList& list);

// Text with its invisible characters removed at both ends.
QString trimmedVisible(QStringView text);
