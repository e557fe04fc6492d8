#pragma once

#include <QString>

// The URL field's text without surrounding blanks, line ends, quotes and "<>[]$&'()*+,;=";
// at most 4094 characters are read.
QString cleanUrlFieldText(QStringView text);

// The name field's text without leading junk (blanks, separators) and trailing separators;
// at most 1022 characters are read.
QString cleanNameFieldText(QStringView text);
