#include "fuzz/literal_extract.h"
#include "grep/linkextract.h"

#include <gtest/gtest.h>

namespace {

QStringList grep(const QString& page, FoundLinks& found)
{
    return extractLinks(page, found);
}

} // namespace

// Each row: a page and the links it gives, in order.
TEST(LinkExtract, RulesKeepStreamsAndDropPages)
{
    struct Row {
        const char16_t* page;
        QStringList links;
    };
    const Row rows[] = {
        {u"", {}},
        {u"h", {}},
        {u"http://a.b/c", {u"http://a.b/c"_qs}},         // 12 characters
        {u"http://a.b/ ", {}},                           // 11
        {u"<a href=\"http://radio.example.com/\">", {}}, // ".com" at length - 5
        {u"http://radio.example.com", {}},               // at length - 4
        {u"http://radio.example.com/live", {u"http://radio.example.com/live"_qs}},
        {u"http://radio.example.net/ok", {u"http://radio.example.net/ok"_qs}},
        {u"http://radio.example.net/", {}},
        // Only the first ".com" counts, and here it is not at the end.
        {u"http://a.com.example/x.com", {u"http://a.com.example/x.com"_qs}},
        {u"http://cdn.example/live/INDEX.M3U8", {}},
        {u"https://s.example/stream?key=1&b=2", {u"https://s.example/stream?key"_qs}},
        {u"HTTP://S.EXAMPLE/stream http://s.example/a.jpeg http://s.example/a.html", {}},
        {u"http://s.example/a.json", {}}, // ".js" anywhere
        {u"http://s.example/BSE/x http://s.example/rv/x http://s.example/RVx",
         {}}, // path codes in any case, "/RV" of two letters
        {u"http://s.example/rxv/stream", {u"http://s.example/rxv/stream"_qs}},
        {u"http://www.example.ie/stream http://s.example/utm_source", {}},
        {u"http://s.example/de/lang http://s.example/langue", {u"http://s.example/langue"_qs}},
        {u"x http://one.example/a http://two.example/b http://one.example/a",
         {u"http://one.example/a"_qs, u"http://two.example/b"_qs}},
    };
    for (const Row& r : rows) {
        const QString page = QString::fromUtf16(r.page);
        SCOPED_TRACE(page.toStdString());
        FoundLinks found;
        EXPECT_EQ(grep(page, found), r.links);
        QStringList literalFound;
        EXPECT_EQ(literal::extract(page, literalFound), r.links);
    }
}

// A second page of the same dialog adds only what the first did not have.
TEST(LinkExtract, SecondGrepAddsOnlyNewLinks)
{
    FoundLinks found;
    EXPECT_EQ(grep(u"http://one.example/a http://two.example/b"_qs, found).size(), 2);
    EXPECT_EQ(grep(u"http://two.example/b http://three.example/c"_qs, found),
              QStringList{u"http://three.example/c"_qs});
    EXPECT_EQ(found.size(), 3);
    found.clear();
    EXPECT_EQ(grep(u"http://two.example/b"_qs, found).size(), 1);
}
