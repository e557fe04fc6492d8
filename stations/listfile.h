#pragma once

#include "stations/listline.h"

#include <QByteArray>
#include <vector>

class StationList;

// The entries of a list file's bytes: UTF-16LE when it starts with a byte-order mark, else
// UTF-8 line by line with a Windows-1252 reading for lines that are not UTF-8.
std::vector<ListEntry> decodeListFile(QByteArrayView bytes);

// The list in the file format: UTF-8, LF line ends, an empty line before each category.
QByteArray encodeListFile(const StationList& list);
