#include "stations/playlistfile.h"
#include "stations/stationlist.h"
#include "tests/support/testhost.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

// Saved as a playlist and loaded again, a list keeps its stations, names, order and headings
// (a PLS has none: its one heading is the file's name); saved again, the same bytes. The
// playlist of one HLS stream is refused and the list stays.
TEST(PlaylistFile, ListsGoThroughM3uAndPlsUnchanged)
{
    QTemporaryDir dir;
    const ListEntry a{u"Café Crème"_s, u"http://192.0.2.1/a"_s, 0, {}},
        b{u"(Radio) 2, live"_s, u"https://192.0.2.2:8443/live/aac"_s, 0, {}},
        c{u"Rock One"_s, u"http://192.0.2.3:8000/;"_s, 0, {}};
    const std::vector<ListEntry> headed = {
        {u"Jazz, Soul"_s, {}, 0, {}}, a, b, {u"Rock"_s, {}, 0, {}}, c};
    const auto bytes = [&](const QString& name) {
        QFile f(dir.filePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    for (const auto& [name, entries] :
         {std::pair{u"list.m3u8"_s, headed},
          std::pair{u"stations.pls"_s,
                    std::vector<ListEntry>{{u"stations"_s, {}, 0, {}}, a, b, c}}}) {
        SCOPED_TRACE(name.toStdString());
        TestHost host;
        StationList list(&host), back(&host);
        list.assign(entries);
        ASSERT_TRUE(list.SaveList(dir.filePath(name)));
        ASSERT_TRUE(back.LoadList(dir.filePath(name)));
        ASSERT_EQ(back.count(), qsizetype(entries.size()));
        for (qsizetype i = 0; i < back.count(); ++i)
            EXPECT_EQ(back.entry(i), entries[size_t(i)]);
        EXPECT_FALSE(back.isModified());
        ASSERT_TRUE(back.SaveList(dir.filePath(u"again-"_s + name)));
        EXPECT_EQ(bytes(name), bytes(u"again-"_s + name));
        EXPECT_TRUE(host.msgs.boxes().empty());
    }
    QFile hls(dir.filePath(u"index.m3u8"_s));
    ASSERT_TRUE(hls.open(QIODevice::WriteOnly));
    hls.write("#EXTM3U\n#EXT-X-TARGETDURATION:6\n#EXTINF:6,\nhttp://192.0.2.4/s1.ts\n");
    hls.close();
    TestHost host;
    StationList list(&host);
    list.assign(headed);
    EXPECT_FALSE(list.LoadList(hls.fileName()));
    EXPECT_EQ(list.count(), 5);
    ASSERT_EQ(host.msgs.boxes().size(), 1u);
    EXPECT_TRUE(host.msgs.boxes()[0].text.contains(u"is the playlist of one HLS stream"_s));
}
