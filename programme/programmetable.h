#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <vector>

// The built-in programme table: which programme page belongs to which of the broadcaster's
// stream addresses. Three parallel columns of 8-bit (Windows-1252) text; pure functions, any
// thread.
struct ProgrammeTable {
    std::vector<QByteArray> keys;  // fragment of a stream address: host and path, or channel id
    std::vector<QByteArray> pages; // absolute address of the programme page
    std::vector<QByteArray> names; // the channel's name in the page's data; empty for one channel
    int rowCount() const { return int(keys.size()); }
};

// The table text as the program carries it (a Qt resource, Windows-1252, CR LF).
QByteArray programmeTableText();

// The built-in table, parsed on first use.
const ProgrammeTable& builtInProgrammeTable();

// Rows of the text: lines without a key, a separating blank or an "http" address are skipped.
ProgrammeTable loadProgrammeTable(QByteArrayView text);

// The row whose key occurs in the address (both lowered, ASCII only), the longest key winning
// and the first row on equal lengths; -1 when none matches or its page address is empty.
int findProgrammeRow(const ProgrammeTable& table, QByteArrayView address);
