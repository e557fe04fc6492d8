#include "app/controlids.h"
#include "app/messages.h"
#include "stream/streamengine.h"
#include "tests/ui/dialogfixture.h"
#include "ui/stationlistmodel.h"

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QTest>

using namespace ids;

namespace {

const QByteArray kList = "\nA\n"
                         "c \thttp://127.0.0.1:9/c \tmp3_128k\n"
                         "b \thttp://127.0.0.1:9/b\n"
                         "\nB\n"
                         "z \thttp://127.0.0.1:9/z\n"
                         "y \thttp://127.0.0.1:9/y\n"
                         "INVALID \thttp://127.0.0.1:9/bad\n";

QStringList names(const StationList& l)
{
    QStringList out;
    for (qsizetype i = 0; i < l.count(); ++i)
        out << l.name(i);
    return out;
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

// A dialog on kList, the mouse over its list, menus and the Search dialog scripted.
struct Editing : DialogFixture {
    Editing()
    {
        files.openChoices << writeList(QStringLiteral("edit.txt"), kList);
        CKestrelwaveDlg& d = dialog();
        d.command(IDC_LOAD_LIST);
        d.cursorPos = [this] { return cursor; };
        d.runMenu = [this](QMenu& menu, const QPoint&) {
            for (QAction* a : menu.actions())
                menuShown << a->text();
            return menuChoice;
        };
        d.askSearchText = [this](const QString&) { return searchText; };
        d.clock = [this] { return now; };
        overList();
        boxes->clear();
    }
    StationList& list() { return app->stations; }
    QTableView* view() { return dlg->listView(); }
    void overList() { cursor = view()->viewport()->mapToGlobal(QPoint(5, 5)); }
    void nowhere() { cursor = dlg->mapToGlobal(QPoint(-500, -500)); }
    void selectRows(std::initializer_list<int> rows)
    {
        view()->clearSelection();
        for (int r : rows)
            view()->selectionModel()->select(dlg->listModel()->index(r, 0),
                                             QItemSelectionModel::Select |
                                                 QItemSelectionModel::Rows);
        view()->selectionModel()->setCurrentIndex(dlg->listModel()->index(*rows.begin(), 0),
                                                  QItemSelectionModel::NoUpdate);
    }
    void key(int k, Qt::KeyboardModifiers m = Qt::ControlModifier)
    {
        QTest::keyClick(view(), Qt::Key(k), m);
    }
    QLineEdit* field(int id) { return qobject_cast<QLineEdit*>(dlg->control(id)); }
    QPushButton* preset(int slot)
    {
        return qobject_cast<QPushButton*>(dlg->control(IDC_PRESET_FIRST + slot));
    }

    QPoint cursor;
    int menuChoice = 0;
    QStringList menuShown;
    std::optional<QString> searchText;
    std::uint32_t now = 1000;
};

} // namespace

class EditingTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void copyAndPasteMovesRows();
    void pasteFromElsewhereAddsAndRemovesDuplicates();
    void duplicateRemovalKeepsTheFieldsStation();
    void cutRemoveAndTheSelectionCheck();
    void clipboardRoundTripBetweenTwoWindows();
    void updateAsksAndMarks();
    void insertChecksAndUsesTheSelection();
    void insertStartsAnEmptyList();
    void sortSearchAndRemoveInvalid();
    void undoRedoStepThroughEachCommand();
    void dragWithinTheListAndOntoAPreselection();
    void preselectionsAssignReplaceRemoveAndPlay();
    void aPointInsideAButtonIsThatButtons();
    void webSearchCapturesAnAddressAndEndsAfterTwoMinutes();
};

void EditingTest::copyAndPasteMovesRows()
{
    Editing f;
    f.selectRows({1, 2}); // c, b
    f.key(Qt::Key_C);
    QCOMPARE(QGuiApplication::clipboard()->text(),
             QStringLiteral("Kestrelwave URL List Subset\nc \thttp://127.0.0.1:9/c \tmp3_128k\nb "
                            "\thttp://127.0.0.1:9/b\n"));
    QCOMPARE(f.list().count(), 7); // copying changes nothing
    f.cursor = f.view()->viewport()->mapToGlobal(
        f.view()->visualRect(f.dlg->listModel()->index(4, 0)).center());
    f.key(Qt::Key_V); // after row 4 (z)
    QCOMPARE(names(f.list()),
             (QStringList{u"A"_qs, u"B"_qs, u"z"_qs, u"c"_qs, u"b"_qs, u"y"_qs, u"INVALID"_qs}));
    QCOMPARE(f.boxes->texts().value(0), QStringLiteral(" 2 URLs have been moved within the list"));
    QCOMPARE(f.list().format(3), QStringLiteral("mp3_128k")); // moved with its tag
    QVERIFY(QGuiApplication::clipboard()->text().isEmpty());
    // The moved rows end selected, the last one current.
    QCOMPARE(f.view()->selectionModel()->selectedRows().size(), 2);
    QCOMPARE(f.view()->selectionModel()->currentIndex().row(), 4);

    // Text without the header pastes nothing.
    QGuiApplication::clipboard()->setText(QStringLiteral("x \thttp://127.0.0.1:9/x\n"));
    f.dlg->command(IDC_UPDATE); // (no-op guard) then paste through the menu
    f.menuChoice = ID_MENU_PASTE;
    QTest::mouseClick(f.view()->viewport(), Qt::RightButton, {}, QPoint(5, 5));
    QMetaObject::invokeMethod(f.view(), "customContextMenuRequested", Q_ARG(QPoint, QPoint(5, 5)));
    QCOMPARE(f.list().count(), 7);
    QCOMPARE(f.menuShown.mid(0, 4),
             (QStringList{u"Copy"_qs, u"Cut"_qs, u"Paste"_qs, u"Abandon"_qs}));
}

void EditingTest::pasteFromElsewhereAddsAndRemovesDuplicates()
{
    Editing f;
    QGuiApplication::clipboard()->setText(QStringLiteral(
        "Kestrelwave URL List Subset\nNew one \thttp://127.0.0.1:9/new\nz again "
        "\thttp://127.0.0.1:9/z\n"
        "#Mine \thttp://127.0.0.1:9/mine \taac_VBR\nunfinished \thttp://127.0.0.1:9/cut"));
    f.dlg->command(IDC_UPDATE);
    f.cursor = f.view()->viewport()->mapToGlobal(
        f.view()->visualRect(f.dlg->listModel()->index(5, 0)).center());
    f.key(Qt::Key_V);
    // After row 5 the three complete lines; the one whose URL was there goes again.
    QCOMPARE(names(f.list()), (QStringList{u"A"_qs, u"c"_qs, u"b"_qs, u"B"_qs, u"z"_qs, u"y"_qs,
                                           u"New one"_qs, u"Mine"_qs, u"INVALID"_qs}));
    QCOMPARE(f.list().flags(7), MARK_MODIFIED);
    QCOMPARE(f.list().format(7), QStringLiteral("aac_VBR"));
    QCOMPARE(f.boxes->texts().value(0), QStringLiteral(" 1 duplicated URLs removed from the list"));
}

void EditingTest::duplicateRemovalKeepsTheFieldsStation()
{
    Editing f;
    const QString ini = f.dataFolder + u"/Kestrelwave.ini"_qs;
    const QString elsewhere = u"http://127.0.0.1:9/elsewhere"_qs;
    const auto fieldsKeepIt = [&] {
        return f.field(IDC_URL)->text() == elsewhere && f.field(IDC_NAME)->text() == u"Mine"_qs;
    };
    // A list with duplicates is loaded while the fields hold a station not in it.
    f.field(IDC_URL)->setText(elsewhere);
    f.field(IDC_NAME)->setText(u"Mine"_qs);
    f.app->currentUrl = elsewhere;
    f.app->currentName = u"Mine"_qs;
    f.files.openChoices << f.writeList(u"twice.txt"_qs,
                                       "a \thttp://127.0.0.1:9/a\nb \thttp://127.0.0.1:9/a\n");
    f.dlg->command(IDC_LOAD_LIST);
    QCOMPARE(f.boxes->texts().value(0), QStringLiteral(" 1 duplicated URLs removed from the list"));
    QVERIFY(fieldsKeepIt());
    QVERIFY(readFile(ini).contains("[CURRENT_URL]\r\nurl=http://127.0.0.1:9/elsewhere\r\n"));

    // Pasted rows that are all in the list already.
    f.boxes->clear();
    QGuiApplication::clipboard()->setText(
        QStringLiteral("Kestrelwave URL List Subset\nagain \thttp://127.0.0.1:9/a\n"));
    f.key(Qt::Key_V);
    QCOMPARE(f.boxes->texts().value(0), QStringLiteral(" 1 duplicated URLs removed from the list"));
    QCOMPARE(f.list().count(), 1);
    QVERIFY(fieldsKeepIt());
    f.app->WriteSettings();
    QVERIFY(readFile(ini).contains("[CURRENT_URL]\r\nurl=http://127.0.0.1:9/elsewhere\r\n"));
}

void EditingTest::cutRemoveAndTheSelectionCheck()
{
    Editing f;
    f.view()->clearSelection();
    f.view()->selectionModel()->clearCurrentIndex();
    f.app->stations.selectedIndex = -1;
    f.key(Qt::Key_X);
    QCOMPARE(f.boxes->texts().value(0), QStringLiteral("PLease select one or several valid lines"));
    QCOMPARE(f.list().count(), 7);

    f.selectRows({4}); // z
    f.key(Qt::Key_X);
    QCOMPARE(names(f.list()),
             (QStringList{u"A"_qs, u"c"_qs, u"b"_qs, u"B"_qs, u"y"_qs, u"INVALID"_qs}));
    QVERIFY(QGuiApplication::clipboard()->text().contains(u"z \thttp://127.0.0.1:9/z"_qs));
    QCOMPARE(f.view()->selectionModel()->currentIndex().row(),
             4); // the row now at the cut position

    // Delete with the mouse over the list removes; in a field with the mouse elsewhere it
    // is the field's own key.
    f.selectRows({1});
    QTest::keyClick(f.view(), Qt::Key_Delete);
    QCOMPARE(names(f.list()), (QStringList{u"A"_qs, u"b"_qs, u"B"_qs, u"y"_qs, u"INVALID"_qs}));
    QCOMPARE(f.view()->selectionModel()->currentIndex().row(), 0);
    f.nowhere();
    f.field(IDC_NAME)->setText(u"abc"_qs);
    f.field(IDC_NAME)->setFocus();
    f.field(IDC_NAME)->setCursorPosition(0);
    QTest::keyClick(f.field(IDC_NAME), Qt::Key_Delete);
    QCOMPARE(f.field(IDC_NAME)->text(), u"bc"_qs);
    QCOMPARE(f.list().count(), 5);
    // Pasting what Delete removed adds it back, it does not "move" other rows.
    f.cursor = f.view()->viewport()->mapToGlobal(QPoint(5, 5));
    f.key(Qt::Key_V);
    QCOMPARE(names(f.list()),
             (QStringList{u"A"_qs, u"c"_qs, u"b"_qs, u"B"_qs, u"y"_qs, u"INVALID"_qs}));
}

void EditingTest::clipboardRoundTripBetweenTwoWindows()
{
    Editing first;
    Editing second;
    second.list().clear();
    second.list().append({u"Other"_qs, u"http://127.0.0.1:9/other"_qs, 0, {}});
    second.dlg->FillListView();
    second.cursor = second.view()->viewport()->mapToGlobal(QPoint(5, 5));
    // The second window copied a row of its own before: the other window's copy replaces
    // it on the clipboard, so the paste adds that copy rather than moving its own row.
    second.selectRows({0});
    second.key(Qt::Key_C);
    first.selectRows({5}); // y
    first.key(Qt::Key_C);
    second.key(Qt::Key_V);
    QCOMPARE(names(second.list()), (QStringList{u"Other"_qs, u"y"_qs}));
    QCOMPARE(second.list().url(1), u"http://127.0.0.1:9/y"_qs);
    QVERIFY(second.boxes->texts().isEmpty()); // added, not moved
    QCOMPARE(first.list().count(), 7);
}

void EditingTest::updateAsksAndMarks()
{
    Editing f;
    f.dlg->SelectEntry(1); // c
    f.field(IDC_NAME)->setText(u"Charlie"_qs);
    f.boxes->answer(true);
    f.dlg->command(IDC_UPDATE);
    QCOMPARE(f.boxes->texts().value(0),
             QStringLiteral("Do you want to replace \"c\" with \"Charlie\" ?"));
    QCOMPARE(f.list().name(1), u"Charlie"_qs);
    QCOMPARE(f.list().flags(1), MARK_MODIFIED);
    QVERIFY(f.list().format(1).isEmpty());
    QVERIFY(
        readFile(f.dataFolder + u"/Kestrelwave.ini"_qs).contains("url=http://127.0.0.1:9/c\r\n"));

    // No question for an INVALID entry.
    f.boxes->clear();
    f.dlg->SelectEntry(6);
    f.field(IDC_NAME)->setText(u"Back again"_qs);
    f.dlg->command(IDC_UPDATE);
    QVERIFY(f.boxes->texts().isEmpty());
    QCOMPARE(f.list().name(6), u"Back again"_qs);

    // Both fields empty: remove the row, on Yes.
    f.dlg->SelectEntry(2); // b
    f.field(IDC_NAME)->clear();
    f.field(IDC_URL)->clear();
    f.boxes->answer(true);
    f.dlg->command(IDC_UPDATE);
    QCOMPARE(f.boxes->texts().value(0), QStringLiteral("Do you want to remove \"b\" ?"));
    QCOMPARE(f.list().count(), 6);
    QCOMPARE(f.list().FindUrl(u"http://127.0.0.1:9/b"), -1);

    // Enter in a field is Update.
    f.dlg->SelectEntry(1);
    f.field(IDC_URL)->setText(u"http://127.0.0.1:9/c2"_qs);
    QTest::keyClick(f.field(IDC_URL), Qt::Key_Return);
    QCOMPARE(f.list().url(1), u"http://127.0.0.1:9/c2"_qs);
}

void EditingTest::insertChecksAndUsesTheSelection()
{
    Editing f;
    f.view()->clearSelection();
    f.view()->selectionModel()->clearCurrentIndex();
    f.field(IDC_URL)->setText(u"http://127.0.0.1:9/y"_qs);
    f.dlg->command(IDC_INSERT);
    QCOMPARE(f.boxes->texts().value(0), QStringLiteral("This Url is already present in the list"));
    QCOMPARE(f.list().count(), 7);
    QCOMPARE(f.view()->selectionModel()->currentIndex().row(), 5);

    f.boxes->clear();
    f.view()->clearSelection();
    f.view()->selectionModel()->clearCurrentIndex();
    f.field(IDC_URL)->setText(u"http://127.0.0.1:9/fresh"_qs);
    f.dlg->command(IDC_INSERT);
    QCOMPARE(f.boxes->texts().value(0), QStringLiteral("Click where to insert in the list"));

    f.selectRows({4});
    f.field(IDC_URL)->setText(u"http://127.0.0.1:9/fresh"_qs);
    f.field(IDC_NAME)->setText(u"Fresh"_qs);
    f.dlg->command(IDC_INSERT);
    QCOMPARE(f.list().name(5), u"Fresh"_qs);
    QCOMPARE(f.list().url(5), u"http://127.0.0.1:9/fresh"_qs);
    QCOMPARE(f.list().flags(5), 0);
    QCOMPARE(f.view()->selectionModel()->currentIndex().row(), 5);
}

void EditingTest::insertStartsAnEmptyList()
{
    Editing f;
    f.files.openChoices << f.writeList(u"empty.txt"_qs, {});
    f.boxes->answer(false); // the loaded list is not saved
    f.dlg->command(IDC_LOAD_LIST);
    QCOMPARE(f.list().count(), 0);
    f.boxes->clear();
    f.field(IDC_URL)->clear();
    f.field(IDC_NAME)->clear();
    f.dlg->command(IDC_INSERT);
    QCOMPARE(f.list().count(), 0); // nothing in the fields, nothing inserted

    f.field(IDC_URL)->setText(u"http://127.0.0.1:9/first"_qs);
    f.field(IDC_NAME)->setText(u"First"_qs);
    f.dlg->command(IDC_INSERT);
    QVERIFY(f.boxes->texts().isEmpty()); // no "Click where to insert"
    QCOMPARE(f.list().count(), 1);
    QCOMPARE(f.list().name(0), u"First"_qs);
    QCOMPARE(f.list().url(0), u"http://127.0.0.1:9/first"_qs);
    QCOMPARE(f.view()->selectionModel()->currentIndex().row(), 0);
    QVERIFY(readFile(f.dataFolder + u"/Kestrelwave.ini"_qs)
                .contains("[CURRENT_URL]\r\nurl=http://127.0.0.1:9/first\r\n"));
    // From then on the list is not empty: the usual rules.
    f.view()->clearSelection();
    f.view()->selectionModel()->clearCurrentIndex();
    f.field(IDC_URL)->setText(u"http://127.0.0.1:9/second"_qs);
    f.dlg->command(IDC_INSERT);
    QCOMPARE(f.boxes->texts().value(0), QStringLiteral("Click where to insert in the list"));
    QCOMPARE(f.list().count(), 1);
}

void EditingTest::sortSearchAndRemoveInvalid()
{
    Editing f;
    f.dlg->command(IDC_SORT);
    QCOMPARE(names(f.list()),
             (QStringList{u"A"_qs, u"b"_qs, u"c"_qs, u"B"_qs, u"INVALID"_qs, u"y"_qs, u"z"_qs}));

    f.searchText = u"  Y\t"_qs; // trimmed, and without regard to case
    f.dlg->command(IDC_SEARCH);
    QCOMPARE(f.list().selectedIndex, 5);
    QCOMPARE(QApplication::focusWidget(), f.dlg->control(IDC_SEARCH));
    f.searchText = u"127.0.0.1"_qs; // matches every URL: each Search goes on after the hit
    f.dlg->command(IDC_SEARCH);
    QCOMPARE(f.list().selectedIndex, 1);
    f.dlg->command(IDC_SEARCH);
    QCOMPARE(f.list().selectedIndex, 2);
    f.searchText = u"nowhere"_qs;
    f.dlg->command(IDC_SEARCH);
    QCOMPARE(f.boxes->texts().last(), QStringLiteral("Not found"));

    f.dlg->SelectEntry(5);
    f.dlg->command(IDC_REMOVE_INVALID);
    QCOMPARE(names(f.list()), (QStringList{u"A"_qs, u"b"_qs, u"c"_qs, u"B"_qs, u"y"_qs, u"z"_qs}));
    QCOMPARE(f.list().url(f.list().selectedIndex), u"http://127.0.0.1:9/y"_qs); // still on y
}

void EditingTest::undoRedoStepThroughEachCommand()
{
    Editing f;
    const QStringList loaded = names(f.list());
    f.dlg->command(IDC_SORT);
    const QStringList sorted = names(f.list());
    f.dlg->command(IDC_REMOVE_INVALID);
    const QStringList cleaned = names(f.list());
    f.selectRows({1});
    f.key(Qt::Key_X);
    const QStringList cut = names(f.list());
    QVERIFY(cut != cleaned && cleaned != sorted && sorted != loaded);
    f.key(Qt::Key_Z);
    QCOMPARE(names(f.list()), cleaned);
    f.key(Qt::Key_Z);
    QCOMPARE(names(f.list()), sorted);
    f.key(Qt::Key_Z);
    QCOMPARE(names(f.list()), loaded);
    f.key(Qt::Key_Z); // nothing before the load
    QCOMPARE(names(f.list()), loaded);
    f.key(Qt::Key_Y);
    QCOMPARE(names(f.list()), sorted);
    // A new edit ends the redo chain.
    f.dlg->SelectEntry(1);
    f.field(IDC_NAME)->setText(u"Renamed"_qs);
    f.boxes->answer(true);
    f.dlg->command(IDC_UPDATE);
    const QStringList renamed = names(f.list());
    f.key(Qt::Key_Y);
    QCOMPARE(names(f.list()), renamed);
    f.key(Qt::Key_Z);
    QCOMPARE(names(f.list()), sorted);
}

void EditingTest::dragWithinTheListAndOntoAPreselection()
{
    Editing f;
    const auto rowCentre = [&](int row) {
        return f.view()->viewport()->mapToGlobal(
            f.view()->visualRect(f.dlg->listModel()->index(row, 0)).center());
    };
    // Real mouse events: press on c, move away, release on z.
    QTest::mousePress(f.view()->viewport(), Qt::LeftButton, {},
                      f.view()->viewport()->mapFromGlobal(rowCentre(1)));
    QMouseEvent move(QEvent::MouseMove, f.view()->viewport()->mapFromGlobal(rowCentre(4)),
                     rowCentre(4), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(f.view()->viewport(), &move);
    QVERIFY(f.dlg->isDragging());
    QTest::mouseRelease(f.view()->viewport(), Qt::LeftButton, {},
                        f.view()->viewport()->mapFromGlobal(rowCentre(4)));
    QVERIFY(!f.dlg->isDragging());
    QCOMPARE(names(f.list()),
             (QStringList{u"A"_qs, u"b"_qs, u"B"_qs, u"z"_qs, u"c"_qs, u"y"_qs, u"INVALID"_qs}));
    QCOMPARE(f.list().selectedIndex, 4);
    // Over the header: to the top. Below the rows: after the last.
    f.dlg->beginDrag(5);
    f.dlg->drop(f.view()->mapToGlobal(QPoint(5, 3)));
    QCOMPARE(f.list().name(0), u"y"_qs);
    f.dlg->beginDrag(0);
    f.dlg->drop(f.view()->viewport()->mapToGlobal(QPoint(5, f.view()->viewport()->height() - 2)));
    QCOMPARE(f.list().name(6), u"y"_qs);
    f.key(Qt::Key_Z);
    QCOMPARE(f.list().name(0), u"y"_qs); // each drag can be undone

    // Dropped on a preselection (or just right of it): its slot menu, and the row assigned.
    f.menuChoice = ID_MENU_ASSIGN;
    f.boxes->answer(true);
    f.dlg->beginDrag(2);
    QPushButton* three = f.preset(2);
    f.dlg->drop(three->mapToGlobal(QPoint(three->width() + 3, three->height() / 2)));
    QCOMPARE(f.app->presetUrl[2], f.list().url(2));
    QCOMPARE(f.boxes->texts().value(0),
             QStringLiteral("Do you want to assign \"%1\" to this button ?").arg(f.list().name(2)));
    QCOMPARE(f.menuShown, (QStringList{u"Assign"_qs, u"Delete"_qs, u"Abandon"_qs}));
}

void EditingTest::preselectionsAssignReplaceRemoveAndPlay()
{
    Editing f;
    const QString ini = f.dataFolder + u"/Kestrelwave.ini"_qs;
    // Right-click assigns the station in the fields, and then plays it.
    f.field(IDC_URL)->setText(u"http://127.0.0.1:9/nameless"_qs);
    f.field(IDC_NAME)->clear();
    f.menuChoice = ID_MENU_ASSIGN;
    f.boxes->answer(true);
    QMetaObject::invokeMethod(f.preset(0), "customContextMenuRequested",
                              Q_ARG(QPoint, QPoint(1, 1)));
    QCOMPARE(
        f.boxes->texts().value(0),
        QStringLiteral("Do you want to assign \"http://127.0.0.1:9/nameless\" to this button ?"));
    QCOMPARE(qobject_cast<QLabel*>(f.dlg->control(IDC_PRESET_LABEL_FIRST))->text(),
             u"http://127.0.0.1:9/nameless"_qs);
    QVERIFY(readFile(ini).contains("sel_1 = http://127.0.0.1:9/nameless\r\n"));
    QVERIFY(readFile(ini).contains("selected = 1\r\n"));
    QVERIFY(f.preset(0)->isChecked());
    QTRY_VERIFY_WITH_TIMEOUT(f.app->status.playing || f.boxes->texts().size() > 1,
                             3000); // WM_APP+1
    f.app->engine->control.Stop();

    // Replace asks with both names.
    f.boxes->clear();
    f.dlg->SelectEntry(4);
    f.boxes->answer(true);
    QMetaObject::invokeMethod(f.preset(0), "customContextMenuRequested",
                              Q_ARG(QPoint, QPoint(1, 1)));
    QCOMPARE(
        f.boxes->texts().value(0),
        QStringLiteral(
            "Do you want to replace \"http://127.0.0.1:9/nameless\" with \"z\" for this button ?"));
    QVERIFY(readFile(ini).contains("sel_1 = z \thttp://127.0.0.1:9/z\r\n"));
    f.app->engine->control.Stop();

    // The slot keeps its station when the row goes, and plays it on a click.
    f.dlg->SelectEntry(4);
    f.selectRows({4});
    f.key(Qt::Key_X);
    QCOMPARE(f.list().FindUrl(u"http://127.0.0.1:9/z"), -1);
    f.field(IDC_URL)->clear();
    f.dlg->command(IDC_PRESET_FIRST);
    QCOMPARE(f.field(IDC_URL)->text(), u"http://127.0.0.1:9/z"_qs);
    QCOMPARE(f.app->currentUrl, u"http://127.0.0.1:9/z"_qs);
    f.app->engine->control.Stop();
    QTest::qWait(50);
    f.app->engine->control.Stop();

    // An empty slot plays nothing and leaves the pushed button pushed.
    f.preset(7)->setChecked(true);
    f.dlg->command(IDC_PRESET_FIRST + 7);
    QVERIFY(!f.preset(7)->isChecked());
    QVERIFY(f.preset(0)->isChecked());

    // Delete over a button removes that slot, after asking.
    f.boxes->clear();
    f.cursor = f.preset(0)->mapToGlobal(QPoint(3, 3));
    f.boxes->answer(true);
    QTest::keyClick(f.view(), Qt::Key_Delete);
    QCOMPARE(f.boxes->texts().value(0), QStringLiteral("Remove \"z\" from the preselections ?"));
    QVERIFY(f.app->presetUrl[0].isEmpty());
    QCOMPARE(qobject_cast<QLabel*>(f.dlg->control(IDC_PRESET_LABEL_FIRST))->text(), u"Empty"_qs);
    QVERIFY(!readFile(ini).contains("[PRESELECTIONS]"));
}

void EditingTest::aPointInsideAButtonIsThatButtons()
{
    Editing f;
    // Every button's left edge, where the widened drop area of the button before it may
    // reach: a drop there and Delete there concern that button, not its neighbour.
    const int rows[] = {1, 2, 4}; // c, b, z
    for (int slot = 1; slot < 4; ++slot) {
        const int row = rows[slot - 1];
        QPushButton* button = f.preset(slot);
        const QPoint leftEdge = button->mapToGlobal(QPoint(1, button->height() / 2));
        f.menuChoice = ID_MENU_ASSIGN;
        f.boxes->clear();
        f.boxes->answer(true);
        f.dlg->beginDrag(row);
        f.dlg->drop(leftEdge);
        QCOMPARE(f.app->presetUrl[slot], f.list().url(row));
        QCOMPARE(f.app->presetUrl[slot - 1], QString());

        f.boxes->clear();
        f.boxes->answer(true);
        f.cursor = leftEdge;
        QTest::keyClick(f.view(), Qt::Key_Delete);
        QCOMPARE(f.boxes->texts().value(0),
                 QStringLiteral("Remove \"%1\" from the preselections ?").arg(f.list().name(row)));
        QVERIFY(f.app->presetUrl[slot].isEmpty());
    }
    // The gap right of a button still belongs to it.
    QPushButton* first = f.preset(0);
    const QPoint gap = first->mapToGlobal(QPoint(first->width() + 2, first->height() / 2));
    QVERIFY(!f.preset(1)->rect().contains(f.preset(1)->mapFromGlobal(gap)));
    f.boxes->clear();
    f.boxes->answer(true);
    f.dlg->beginDrag(1);
    f.dlg->drop(gap);
    QCOMPARE(f.app->presetUrl[0], f.list().url(1));
}

void EditingTest::webSearchCapturesAnAddressAndEndsAfterTwoMinutes()
{
    Editing f;
    QStringList opened;
    f.dlg->openExternal = [&](const QString& url) {
        opened << url;
        return true;
    };
    auto* button = qobject_cast<QPushButton*>(f.dlg->control(IDC_WEB_SEARCH));
    QCOMPARE(button->text(), u"radio-browser.info Web search"_qs);
    f.app->engine->control.connectionAvailable = [](const QString&) { return false; };
    f.dlg->command(IDC_WEB_SEARCH);
    QVERIFY(!f.app->webSearchActive);
    QCOMPARE(f.boxes->texts().value(0), u"No Internet Connection !"_qs);
    f.app->engine->control.connectionAvailable = [](const QString&) { return true; };
    f.dlg->command(IDC_WEB_SEARCH);
    QVERIFY(f.app->webSearchActive);
    QCOMPARE(opened, QStringList{u"https://www.radio-browser.info"_qs});
    QVERIFY(button->isChecked());
    QVERIFY(f.field(IDC_URL)->text().isEmpty());

    // A copied stream address is taken, shown and played.
    f.now += 60000;
    QGuiApplication::clipboard()->setText(u"http://127.0.0.1:9/copied"_qs);
    QTRY_COMPARE_WITH_TIMEOUT(f.field(IDC_URL)->text(), u"http://127.0.0.1:9/copied"_qs, 2000);
    QVERIFY(QGuiApplication::clipboard()->text().isEmpty());
    QVERIFY(f.app->webSearchActive);
    // Other text is left alone; two minutes without a capture end the watch.
    QGuiApplication::clipboard()->setText(u"some words http://x"_qs);
    f.now += 119000;
    QTest::qWait(100);
    QVERIFY(f.app->webSearchActive);
    f.now += 2000;
    QTRY_VERIFY_WITH_TIMEOUT(!f.app->webSearchActive, 2000);
    QVERIFY(!button->isChecked());
    f.app->engine->control.Stop();
}

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    EditingTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "editing_test.moc"
