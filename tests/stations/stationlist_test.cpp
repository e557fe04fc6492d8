#include "stations/stationlist.h"
#include "tests/support/scriptedmessageboxes.h"
#include "tests/support/testhost.h"

#include <functional>
#include <gtest/gtest.h>
#include <ostream>

using namespace Qt::StringLiterals;

namespace {

std::vector<ListEntry> entriesOf(const StationList& list)
{
    std::vector<ListEntry> out;
    for (qsizetype i = 0; i < list.count(); ++i)
        out.push_back(list.entry(i));
    return out;
}

ListEntry station(const QString& name, const QString& url, std::int32_t flags = 0,
                  const QString& format = {})
{
    return {name, url, flags, format};
}

ListEntry category(const QString& title)
{
    return {title, {}, 0, {}};
}

const QString u1 = u"http://192.0.2.1/a"_s;
const QString u2 = u"http://192.0.2.2/b"_s;
const QString u3 = u"http://192.0.2.3/c"_s;

TEST(RemoveDuplicates, KeepsTheFirstOfEachUrlAndTitle)
{
    const struct {
        const char* what;
        std::vector<ListEntry> in;
        std::vector<ListEntry> out;
    } rows[] = {
        {"same URL later",
         {station(u"A"_s, u1, 0, u"mp3"_s), station(u"B"_s, u2), station(u"C"_s, u1)},
         {station(u"A"_s, u1, 0, u"mp3"_s), station(u"B"_s, u2)}},
        {"three times the same URL",
         {station({}, u1), station(u"x"_s, u1), station(u"y"_s, u1)},
         {station({}, u1)}},
        {"station named like an earlier category",
         {category(u"Jazz"_s), station(u"S"_s, u1), station(u"Jazz"_s, u2, MARK_MODIFIED)},
         {category(u"Jazz"_s), station(u"S"_s, u1)}},
        {"category named like an earlier station stays",
         {station(u"Jazz"_s, u1), category(u"Jazz"_s)},
         {station(u"Jazz"_s, u1), category(u"Jazz"_s)}},
        {"stations with the same name and different URLs stay",
         {station(u"Radio"_s, u1), station(u"Radio"_s, u2)},
         {station(u"Radio"_s, u1), station(u"Radio"_s, u2)}},
        {"repeated category and URL",
         {category(u"Rock"_s), station(u"A"_s, u1, MARK_INVALID), category(u"Rock"_s),
          station(u"B"_s, u1)},
         {category(u"Rock"_s), station(u"A"_s, u1, MARK_INVALID)}},
        // An entry removed for its name still counts with its URL.
        {"a removed entry still counts",
         {category(u"X"_s), station(u"X"_s, u1), station(u"Y"_s, u1), station(u"Z"_s, u2)},
         {category(u"X"_s), station(u"Z"_s, u2)}},
        {"URLs compare exactly",
         {station({}, u"http://192.0.2.1/A"_s), station({}, u1)},
         {station({}, u"http://192.0.2.1/A"_s), station({}, u1)}},
        {"titles compare exactly",
         {category(u"Jazz"_s), category(u"jazz"_s)},
         {category(u"Jazz"_s), category(u"jazz"_s)}},
        {"entries without name and URL are no duplicates",
         {station({}, {}), station({}, {})},
         {station({}, {}), station({}, {})}},
        {"empty list", {}, {}},
    };
    for (const auto& r : rows) {
        TestHost host;
        StationList list(&host);
        list.assign(r.in);
        const int removed = list.RemoveDuplicates();
        EXPECT_EQ(removed, int(r.in.size() - r.out.size())) << r.what;
        EXPECT_EQ(entriesOf(list), r.out) << r.what;
        EXPECT_EQ(list.count(), qsizetype(r.out.size())) << r.what;
        EXPECT_EQ(host.window.refills, removed > 0 ? 1 : 0) << r.what;
    }
}

TEST(RemoveDuplicates, ClampsTheSelectionAndSelectsTheShownStation)
{
    TestHost host;
    StationList list(&host);
    list.assign({station(u"A"_s, u1), station(u"B"_s, u2), station(u"C"_s, u1), station(u"D"_s, u3),
                 station(u"E"_s, u2)});
    list.selectedIndex = 4;
    host.window.urlField = u1;
    EXPECT_EQ(list.RemoveDuplicates(), 2);
    EXPECT_EQ(list.selectedIndex, 2);
    ASSERT_EQ(host.window.selected.size(), 1u);
    EXPECT_EQ(host.window.selected[0], 0);

    // A station in the fields that is not in the list stays there: selecting no row would
    // empty the fields and lose it from the settings.
    for (const QString& shown : {u"http://192.0.2.9/elsewhere"_s, QString()}) {
        list.append(station(u"F"_s, u3));
        host.window.urlField = shown;
        host.window.selected.clear();
        EXPECT_EQ(list.RemoveDuplicates(), 1);
        EXPECT_TRUE(host.window.selected.empty());
        EXPECT_EQ(host.window.urlField, shown);
    }

    // Without a window the list is cleaned all the same.
    StationList bare;
    bare.assign({station(u"A"_s, u1), station(u"B"_s, u1)});
    EXPECT_EQ(bare.RemoveDuplicates(), 1);
    EXPECT_EQ(bare.count(), 1);
}

TEST(SetStationName, KeepsTheUsersNameAndMarksFailures)
{
    const struct {
        const char* what;
        ListEntry before;
        QString newName;
        ListEntry after;
        bool renamed;
    } rows[] = {
        {"unnamed station gets its name", station({}, u1, 0, u"mp3_128k"_s), u"Radio X"_s,
         station(u"Radio X"_s, u1), true},
        {"INVALID station gets its name back", station(u"INVALID"_s, u1, MARK_INVALID),
         u"Radio X"_s, station(u"Radio X"_s, u1), true},
        {"header name replaces a header name", station(u"Old"_s, u1, 0, u"aac"_s), u"New"_s,
         station(u"New"_s, u1), true},
        {"failed station is called INVALID", station(u"Old"_s, u1, 0, u"aac"_s), u"INVALID"_s,
         station(u"INVALID"_s, u1), true},
        {"unnamed user-marked station takes the name", station({}, u1, MARK_MODIFIED), u"INVALID"_s,
         station(u"INVALID"_s, u1), true},
        {"user's name stays, failure only marked", station(u"Mine"_s, u1, MARK_MODIFIED, u"aac"_s),
         u"INVALID"_s, station(u"Mine"_s, u1, MARK_MODIFIED | MARK_INVALID, u"aac"_s), false},
        {"user's name stays, mark cleared on success",
         station(u"Mine"_s, u1, MARK_MODIFIED | MARK_INVALID, u"aac"_s), u"Header"_s,
         station(u"Mine"_s, u1, MARK_MODIFIED, u"aac"_s), false},
        {"same name clears every mark",
         station(u"Same"_s, u1, MARK_MODIFIED | MARK_INVALID, u"ogg"_s), u"Same"_s,
         station(u"Same"_s, u1, 0, u"ogg"_s), false},
    };
    for (const auto& r : rows) {
        TestHost host;
        StationList list(&host);
        list.assign({category(u"Cat"_s), r.before});
        list.SetStationName(1, r.newName);
        EXPECT_EQ(list.entry(1), r.after) << r.what;
        EXPECT_EQ(list.entry(0), category(u"Cat"_s)) << r.what;
        EXPECT_EQ(host.window.renamed,
                  r.renamed ? std::vector<qsizetype>{1} : std::vector<qsizetype>{})
            << r.what;
    }

    TestHost host;
    StationList list(&host);
    list.assign({station(u"A"_s, u1)});
    for (qsizetype bad : {qsizetype(-1), qsizetype(1), qsizetype(100)})
        list.SetStationName(bad, u"INVALID"_s);
    EXPECT_EQ(entriesOf(list), std::vector<ListEntry>{station(u"A"_s, u1)});
    EXPECT_TRUE(host.window.renamed.empty());
}

TEST(EraseEntry, RemovesOneEntryAndClampsTheSelection)
{
    const struct {
        int count;
        qsizetype selected;
        qsizetype erase;
        bool ok;
        qsizetype selectedAfter;
    } rows[] = {
        {3, 2, 2, true, 1},  {3, 2, 0, true, 1},   {3, 0, 0, true, 0},
        {3, 1, 2, true, 1},  {1, 0, 0, true, -1},  {3, -1, 1, true, -1},
        {3, 1, 3, false, 1}, {3, 1, -1, false, 1}, {0, -1, 0, false, -1},
    };
    for (const auto& r : rows) {
        StationList list;
        std::vector<ListEntry> model;
        for (int i = 0; i < r.count; ++i)
            model.push_back(station(u"S%1"_s.arg(i), u"http://192.0.2.%1/"_s.arg(i)));
        list.assign(model);
        list.selectedIndex = r.selected;
        EXPECT_EQ(list.EraseEntry(r.erase), r.ok) << r.count << " erase " << r.erase;
        if (r.ok)
            model.erase(model.begin() + r.erase);
        EXPECT_EQ(entriesOf(list), model) << r.count << " erase " << r.erase;
        EXPECT_EQ(list.count(), qsizetype(model.size()));
        EXPECT_EQ(list.selectedIndex, r.selectedAfter) << r.count << " erase " << r.erase;
    }
}

TEST(FindUrl, FindsTheFirstExactMatch)
{
    StationList list;
    list.assign(
        {category(u"Cat"_s), station(u"A"_s, u1), station(u"B"_s, u2), station(u"C"_s, u1)});
    EXPECT_EQ(list.FindUrl(u1), 1);
    EXPECT_EQ(list.FindUrl(u2), 2);
    EXPECT_EQ(list.FindUrl(u"HTTP://192.0.2.1/a"_s), -1);
    EXPECT_EQ(list.FindUrl(u"http://192.0.2.1/"_s), -1);
    EXPECT_EQ(list.FindUrl(QString()), -1);
}

TEST(AskSaveModified, AsksOnlyWhenTheListDiffersFromTheSnapshot)
{
    using Edit = std::function<void(StationList&)>;
    const struct {
        const char* what;
        Edit edit;
        bool modified;
    } rows[] = {
        {"nothing changed", [](StationList&) {}, false},
        {"bit rate after the codec", [](StationList& l) { l.setFormat(1, u"mp3_192k"_s); }, false},
        {"codec alone", [](StationList& l) { l.setFormat(1, u"mp3"_s); }, false},
        {"empty qualifier", [](StationList& l) { l.setFormat(1, u"mp3_"_s); }, false},
        {"qualifier added to a bare codec", [](StationList& l) { l.setFormat(2, u"aac_VBR"_s); },
         false},
        {"other codec", [](StationList& l) { l.setFormat(1, u"aac_128k"_s); }, true},
        {"codec in capitals", [](StationList& l) { l.setFormat(1, u"MP3_128k"_s); }, true},
        {"tag removed", [](StationList& l) { l.setFormat(1, QString()); }, true},
        {"name", [](StationList& l) { l.setName(1, u"Radio Y"_s); }, true},
        {"category title", [](StationList& l) { l.setName(0, u"Rock"_s); }, true},
        {"invalid mark", [](StationList& l) { l.setFlags(1, MARK_INVALID); }, true},
        {"URL", [](StationList& l) { l.setUrl(2, u3); }, true},
        {"entry added", [](StationList& l) { l.append(station({}, u3)); }, true},
        {"entry removed", [](StationList& l) { l.EraseEntry(2); }, true},
        // Nothing to save: an empty list never asks, whatever was loaded.
        {"emptied", [](StationList& l) { l.clear(); }, false},
    };
    for (const auto& r : rows) {
        TestHost host;
        StationList list(&host);
        list.assign({category(u"Jazz"_s), station(u"Radio X"_s, u1, 0, u"mp3_128k"_s),
                     station({}, u2, MARK_MODIFIED, u"aac"_s)});
        list.TakeSnapshot();
        r.edit(list);
        if (list.count() > 0) {
            EXPECT_EQ(list.isModified(), r.modified) << r.what;
        }
        host.msgs.answer(false);
        list.AskSaveModified();
        if (r.modified) {
            ASSERT_EQ(host.msgs.boxes().size(), 1u) << r.what;
            EXPECT_EQ(host.msgs.boxes()[0].kind, ScriptedMessageBoxes::Kind::Question);
            EXPECT_EQ(host.msgs.boxes()[0].text, u"Do you want to save the modified List ?"_s);
        } else {
            EXPECT_TRUE(host.msgs.boxes().empty()) << r.what;
        }
        EXPECT_EQ(host.window.saveCommands, 0) << r.what;
    }
}

TEST(AskSaveModified, YesRunsTheSaveCommandInTheUsersLanguage)
{
    const struct {
        std::uint32_t lang;
        bool yes;
        QString question;
    } rows[] = {
        {1033, true, u"Do you want to save the modified List ?"_s},
        {1033, false, u"Do you want to save the modified List ?"_s},
        {1036, true, u"Voulez-vous sauvegarder la liste modifiée ?"_s},
        {1031, true, u"Möchten Sie die geänderte Liste speichern ?"_s},
    };
    for (const auto& r : rows) {
        TestHost host;
        host.lang = r.lang;
        StationList list(&host);
        list.TakeSnapshot();
        list.append(station(u"A"_s, u1));
        host.msgs.answer(r.yes);
        list.AskSaveModified();
        ASSERT_EQ(host.msgs.texts(), QStringList{r.question});
        EXPECT_EQ(host.window.saveCommands, r.yes ? 1 : 0);
    }

    // Never loaded, never filled: nothing to ask.
    TestHost host;
    StationList empty(&host);
    empty.AskSaveModified();
    EXPECT_TRUE(host.msgs.boxes().empty());
}

} // namespace
