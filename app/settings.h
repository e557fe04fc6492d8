#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// Reads values out of an INI text the way the Windows profile functions do: sections and
// keys compared without regard to case, blanks around keys and values dropped, the first
// section of a name and its first matching key win. Values are UTF-8.
class IniText {
public:
    explicit IniText(QByteArray text) : text_(std::move(text)) {}
    // Empty values count as absent, as a returned length of 0 does.
    std::optional<QString> value(QByteArrayView section, QByteArrayView key) const;

private:
    QByteArray text_;
};

// A colour value "r,g,b" read like sscanf's "%d,%d,%d"; nullopt unless all three are there.
std::optional<unsigned> parseColor(QByteArrayView text);
