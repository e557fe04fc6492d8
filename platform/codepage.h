#pragma once

#include <QByteArray>
#include <QString>

namespace platform {

// Windows-1252, the code page of English, French and German Windows; used wherever 8-bit
// text is not valid UTF-8. Bytes the code page leaves undefined map to U+0080-U+009F, as
// MultiByteToWideChar does.
QString fromWindows1252(QByteArrayView bytes);

// Characters the code page cannot hold become '?'.
QByteArray toWindows1252(QStringView text);

} // namespace platform
