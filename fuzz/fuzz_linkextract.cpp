#include "fuzz/fuzzcheck.h"
#include "fuzz/literal_extract.h"
#include "grep/linkextract.h"

#include <QString>
#include <cstdint>

// A page's text in two parts, grepped one after the other as two pages of one dialog: the
// fast extractor must give the links, in order, that the literal reading of the rules gives.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString all = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const qsizetype half = all.size() / 2;
    FoundLinks found;
    QStringList literalFound;
    for (const QString& page : {all.left(half), all.mid(half)}) {
        const QStringList fast = extractLinks(page, found);
        const QStringList slow = literal::extract(page, literalFound);
        fuzzCheck(fast == slow, "the extractor keeps exactly the links the rules keep");
    }
    fuzzCheck(found.links() == literalFound, "found links accumulate in order, each once");
    return 0;
}
