#pragma once

#include <QByteArrayView>
#include <cstdint>

namespace platform {

// Windows language identifier for a POSIX locale name such as "de_DE.UTF-8@euro";
// 1033 (English, United States) for anything not in the table.
std::uint32_t languageIdForLocale(QByteArrayView locale);

// The user's interface language from LC_ALL, LC_MESSAGES or LANG, first one set.
std::uint32_t userDefaultUiLanguage();

} // namespace platform
