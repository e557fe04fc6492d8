#include "stations/playlistfile.h"
#include "stations/stationlist.h"
#include "tests/support/testhost.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

std::vector<ListEntry> entriesOf(const StationList& list)
{
    std::vector<ListEntry> out;
    for (qsizetype i = 0; i < list.count(); ++i)
        out.push_back(list.entry(i));
    return out;
}

// Saved as a playlist and loaded again, a list keeps its stations, names, order and headings
// (a PLS has no headings: its one heading is the file's name); saved again, the same bytes.
TEST(PlaylistFile, ListsGoThroughM3uAndPlsUnchanged)
{
    QTemporaryDir dir;
    const std::vector<ListEntry> withHeadings = {
        {u"Jazz, Soul"_s, {}, 0, {}},
        {u"Café Crème"_s, u"http://192.0.2.1/a"_s, 0, {}},
        {u"Radio 2"_s, u"https://192.0.2.2:8443/live/aac"_s, 0, {}},
        {u"Rock"_s, {}, 0, {}},
        {u"Rock One"_s, u"http://192.0.2.3:8000/;"_s, 0, {}}};
    const std::vector<ListEntry> pls = {
        {u"stations"_s, {}, 0, {}}, withHeadings[1], withHeadings[2], withHeadings[4]};
    for (const auto& [name, entries] :
         {std::pair{u"list.m3u"_s, withHeadings}, std::pair{u"list.m3u8"_s, withHeadings},
          std::pair{u"stations.pls"_s, pls}}) {
        SCOPED_TRACE(name.toStdString());
        TestHost host;
        StationList list(&host);
        list.assign(entries);
        ASSERT_TRUE(list.SaveList(dir.filePath(name)));
        StationList back(&host);
        ASSERT_TRUE(back.LoadList(dir.filePath(name)));
        EXPECT_EQ(entriesOf(back), entries);
        EXPECT_FALSE(back.isModified());
        ASSERT_TRUE(back.SaveList(dir.filePath(u"again-"_s + name)));
        QFile first(dir.filePath(name)), again(dir.filePath(u"again-"_s + name));
        ASSERT_TRUE(first.open(QIODevice::ReadOnly) && again.open(QIODevice::ReadOnly));
        EXPECT_EQ(first.readAll(), again.readAll());
        EXPECT_TRUE(host.msgs.boxes().empty());
    }
    // The playlist of one HLS stream is no list: refused, the list stays.
    QFile hls(dir.filePath(u"index.m3u8"_s));
    ASSERT_TRUE(hls.open(QIODevice::WriteOnly));
    hls.write("#EXTM3U\n#EXT-X-TARGETDURATION:6\n#EXTINF:6,\nhttp://192.0.2.4/s1.ts\n");
    hls.close();
    TestHost host;
    StationList list(&host);
    list.assign(withHeadings);
    EXPECT_FALSE(list.LoadList(hls.fileName()));
    EXPECT_EQ(list.count(), 5);
    ASSERT_EQ(host.msgs.boxes().size(), 1u);
    EXPECT_TRUE(host.msgs.boxes()[0].text.contains(u"HLS"_s));
}

} // namespace
