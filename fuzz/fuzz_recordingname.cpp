#include "app/cutil.h"
#include "fuzz/fuzzcheck.h"
#include "stream/playstream.h"

#include <QByteArrayView>
#include <QDateTime>
#include <QString>
#include <cstdint>

namespace {

void checkName(const QString& station)
{
    const QString name = recordingName(station);
    fuzzCheck(!name.isEmpty(), "a name is never empty");
    fuzzCheck(name.size() <= 100, "a name has at most 100 characters");
    fuzzCheck(name.isValidUtf16(), "a name splits no surrogate pair");
    fuzzCheck(name != u"." && name != u"..", "a name is no folder step");
    fuzzCheck(name.front() != u'.' && !name.front().isSpace(), "a name begins visibly");
    fuzzCheck(!QStringView(u" _.").contains(name.back()), "a name ends without blank, _ or .");
    for (const QChar c : name) {
        fuzzCheck(c.unicode() >= 0x20, "a name holds no control character");
        fuzzCheck(!QStringView(u"\\/:*?\"<>|").contains(c), "a name holds no hostile character");
    }
    // The longest file made from it: name_date_number.extension, and the information file.
    const QString file = name + u'_' +
                         CUtil::DateText(QDateTime(QDate(2099, 12, 31), QTime(23, 59))) +
                         QStringLiteral("_9999.flac");
    fuzzCheck(file.toUtf8().size() <= 255, "the recording's file name fits the file system");
    fuzzCheck(recordingName(name) == name, "a recording name is its own name");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    // A station name as announced by a server or typed in a list file.
    checkName(CUtil::ToWide(bytes));
    // Any UTF-16, lone surrogates included.
    checkName(fuzzUtf16(data, size));
    return 0;
}
