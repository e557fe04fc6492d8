#include "stations/stationlist.h"
#include "tests/support/testhost.h"
#include "tests/support/scriptedmessageboxes.h"

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {


QString namesOf(const StationList& list)
{
    QStringList names;
    for (qsizetype i = 0; i < list.count(); ++i)
        names << list.name(i);
    return names.join(u',');
}

// Runs a script of E (an edit: push, then add a station named by its number), U (undo),
// R (redo) and S (a save, which resets the history) and returns the list after each step.
QStringList run(StationList& list, const char* script)
{
    QStringList states;
    int edits = 0;
    for (const char* op = script; *op; ++op) {
        switch (*op) {
        case 'E':
            list.PushHistory();
            list.append({QString::number(++edits), u"http://192.0.2.1/%1"_s.arg(edits), 0, {}});
            break;
        case 'U':
            list.Undo();
            break;
        case 'R':
            list.Redo();
            break;
        case 'S':
            list.ResetHistory();
            break;
        }
        states << namesOf(list);
    }
    return states;
}

TEST(History, UndoAndRedoStepThroughTheEdits)
{
    const struct {
        const char* script;
        QStringList states;
    } rows[] = {
        {"U", {u"L"_s}},
        {"R", {u"L"_s}},
        {"EU", {u"L,1"_s, u"L"_s}},
        {"EUR", {u"L,1"_s, u"L"_s, u"L,1"_s}},
        {"EURR", {u"L,1"_s, u"L"_s, u"L,1"_s, u"L,1"_s}},
        {"EURU", {u"L,1"_s, u"L"_s, u"L,1"_s, u"L"_s}},
        {"EUUR", {u"L,1"_s, u"L"_s, u"L"_s, u"L,1"_s}},
        {"EEUUU", {u"L,1"_s, u"L,1,2"_s, u"L,1"_s, u"L"_s, u"L"_s}},
        {"EEUURR", {u"L,1"_s, u"L,1,2"_s, u"L,1"_s, u"L"_s, u"L,1"_s, u"L,1,2"_s}},
        {"EEURUR", {u"L,1"_s, u"L,1,2"_s, u"L,1"_s, u"L,1,2"_s, u"L,1"_s, u"L,1,2"_s}},
        // A new edit ends the redo chain: nothing undone before it comes back.
        {"EUER", {u"L,1"_s, u"L"_s, u"L,2"_s, u"L,2"_s}},
        {"EEUUER", {u"L,1"_s, u"L,1,2"_s, u"L,1"_s, u"L"_s, u"L,3"_s, u"L,3"_s}},
        {"EEEUUUERR",
         {u"L,1"_s, u"L,1,2"_s, u"L,1,2,3"_s, u"L,1,2"_s, u"L,1"_s, u"L"_s, u"L,4"_s, u"L,4"_s,
          u"L,4"_s}},
        {"EEEUUEUR",
         {u"L,1"_s, u"L,1,2"_s, u"L,1,2,3"_s, u"L,1,2"_s, u"L,1"_s, u"L,1,4"_s, u"L,1"_s,
          u"L,1,4"_s}},
        // A save starts a new history.
        {"EUSRU", {u"L,1"_s, u"L"_s, u"L"_s, u"L"_s, u"L"_s}},
        {"ESU", {u"L,1"_s, u"L,1"_s, u"L,1"_s}},
    };
    for (const auto& r : rows) {
        TestHost host;
        StationList list(&host);
        list.assign({{u"L"_s, {}, 0, {}}});
        list.ResetHistory();
        EXPECT_EQ(run(list, r.script), r.states) << r.script;
    }
}

TEST(History, UndoRightAfterLoadDoesNothing)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(u"list.txt"_s);
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("Alpha \thttp://192.0.2.1/a\nBeta \thttp://192.0.2.2/b\n");
    }
    TestHost host;
    StationList list(&host);
    list.assign({{u"Before"_s, {}, 0, {}}});
    list.ResetHistory();
    list.PushHistory();
    ASSERT_TRUE(list.LoadList(path));
    const int refills = host.window.refills;
    EXPECT_EQ(run(list, "UR"), (QStringList{u"Alpha,Beta"_s, u"Alpha,Beta"_s}));
    EXPECT_EQ(host.window.refills, refills);

    // After one edit, undo brings back the loaded list and redo the edit, each once
    // refilling the view.
    EXPECT_EQ(run(list, "EUR"),
              (QStringList{u"Alpha,Beta,1"_s, u"Alpha,Beta"_s, u"Alpha,Beta,1"_s}));
    EXPECT_EQ(host.window.refills, refills + 2);
}

TEST(History, UndoNeverRestoresAnEmptyList)
{
    TestHost host;
    StationList list(&host);
    list.ResetHistory(); // an empty file was loaded
    EXPECT_EQ(run(list, "EU"), (QStringList{u"1"_s, u"1"_s}));
    EXPECT_EQ(host.window.refills, 0);
    EXPECT_EQ(list.historyStored(), 1);
}

TEST(History, RingOf256KeepsTheNewestStatesAfterWrapping)
{
    constexpr int kEdits = 300;
    StationList list;
    list.assign({{u"s0"_s, {}, 0, {}}});
    list.ResetHistory();
    for (int k = 1; k <= kEdits; ++k) {
        list.PushHistory();
        list.setName(0, u"s%1"_s.arg(k));
    }
    // One slot is kept free to end the redo chain: 254 steps back, every one of them real.
    EXPECT_EQ(list.historyStored(), StationList::kHistorySlots - 1);
    for (int i = 1; i < StationList::kHistorySlots - 1; ++i) {
        list.Undo();
        ASSERT_EQ(list.name(0), u"s%1"_s.arg(kEdits - i)) << "undo " << i;
    }
    for (int i = 0; i < 10; ++i)
        list.Undo();
    EXPECT_EQ(list.name(0), u"s46"_s);
    EXPECT_EQ(list.historyStored(), 1);

    // Redo climbs back to the newest state and no further: it never wraps into old ones.
    for (int i = 0; i < kEdits; ++i) {
        const QString before = list.name(0);
        list.Redo();
        ASSERT_GE(list.name(0).mid(1).toInt(), before.mid(1).toInt()) << "redo " << i;
    }
    EXPECT_EQ(list.name(0), u"s300"_s);
    EXPECT_LE(list.historyStored(), StationList::kHistorySlots);
}

} // namespace
