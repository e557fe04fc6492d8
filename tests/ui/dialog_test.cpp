#include "app/controlids.h"
#include "app/messages.h"
#include "tests/ui/dialogfixture.h"
#include "ui/aboutdlg.h"
#include "ui/infopane.h"
#include "ui/listheader.h"
#include "ui/stationlistmodel.h"

#include <QAction>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <thread>

using namespace ids;

namespace {

QString textOf(QWidget* w)
{
    return w ? w->property("text").toString() : QStringLiteral("<missing>");
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

const QByteArray kList = "\nJazz\n"
                         "Smooth One \thttp://127.0.0.1:8000/one \tmp3_128k\n"
                         "INVALID \thttp://127.0.0.1:8000/two\n"
                         "#Renamed \thttp://127.0.0.1:8000/three\n"
                         "INVALIDATED \thttp://127.0.0.1:8000/four\n";

} // namespace

class DialogTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void captionsFollowTheLanguage_data();
    void captionsFollowTheLanguage();
    void aboutEntryCarriesTheLanguagesId_data();
    void aboutEntryCarriesTheLanguagesId();
    void startShowsTheListAndPostsThePlayerNotice();
    void wrappingBreaksAtTheRightPlaces();
    void paneWrapsLongLinesToItsWidth();
    void paneWrapsAgainWhenResized();
    void qtTextsFollowTheLanguage_data();
    void qtTextsFollowTheLanguage();
    void workerTextsArriveInOrder();
    void cellColoursFollowTheEntryKind();
    void editedColoursShowAtTheNextStart();
    void columnWidthsWithVeryLongNames();
    void loadAndSaveThroughTheCommands();
    void saveRefusesWhatCannotBeWritten();
    void exitWritesSettingsAndAsksAboutTheModifiedList();
    void escapeDoesNotClose();
};

void DialogTest::captionsFollowTheLanguage_data()
{
    QTest::addColumn<uint>("language");
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("caption");
    QTest::newRow("fr play") << 1036u << IDC_PLAY << QStringLiteral("Ecouter");
    QTest::newRow("fr close") << 1036u << IDOK << QStringLiteral("Quitter");
    QTest::newRow("fr load") << 1036u << IDC_LOAD_LIST << QStringLiteral("Ouvrir");
    QTest::newRow("fr volume unchanged") << 1036u << IDC_VOLUME_LABEL << QStringLiteral("Volume");
    QTest::newRow("de delete") << 1031u << IDC_DELETE_RECORDING << QStringLiteral("Klare Aufnahme");
    QTest::newRow("de volume") << 1031u << IDC_VOLUME_LABEL << QStringLiteral("Lautstärke");
    QTest::newRow("de update") << 1031u << IDC_UPDATE << QStringLiteral("Aktualisieren");
    QTest::newRow("de auto scan stays") << 1031u << IDC_AUTO_SCAN << QStringLiteral("Auto Scan");
    QTest::newRow("de grep stays") << 1031u << IDC_GREP_TOOL << QStringLiteral("Grep Tool");
    QTest::newRow("de web search")
        << 1031u << IDC_WEB_SEARCH << QStringLiteral("radio-browser.info Web-Suche");
    QTest::newRow("de empty preset")
        << 1031u << IDC_PRESET_LABEL_FIRST + 5 << QStringLiteral("Leer");
    QTest::newRow("fr empty preset") << 1036u << IDC_PRESET_LABEL_FIRST << QStringLiteral("Vide");
    QTest::newRow("en-gb stays English") << 2057u << IDC_PLAY << QStringLiteral("Play");
    QTest::newRow("de-ch stays English") << 2055u << IDC_HELP << QStringLiteral("Help ?");
}

void DialogTest::captionsFollowTheLanguage()
{
    QFETCH(uint, language);
    QFETCH(int, id);
    QFETCH(QString, caption);
    DialogFixture f(language);
    QCOMPARE(textOf(f.dialog().control(id)), caption);
}

void DialogTest::aboutEntryCarriesTheLanguagesId_data()
{
    QTest::addColumn<uint>("language");
    QTest::addColumn<int>("commandId");
    QTest::addColumn<int>("dialogId");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("songs");
    QTest::newRow("en") << 1033u << 0x10 << 100 << QStringLiteral("&About Kestrelwave...")
                        << QStringLiteral("Record songs as separate files");
    QTest::newRow("fr") << 1036u << 0x20 << 101 << QStringLiteral("&A propos de Kestrelwave...")
                        << QStringLiteral("Enregistrer chaque titre à part");
    QTest::newRow("de") << 1031u << 0x30 << 102 << QStringLiteral("&Uber Kestrelwave...")
                        << QStringLiteral("Jeder Titel als eigene Datei");
}

void DialogTest::aboutEntryCarriesTheLanguagesId()
{
    QFETCH(uint, language);
    QFETCH(int, commandId);
    QFETCH(int, dialogId);
    QFETCH(QString, text);
    QFETCH(QString, songs);
    DialogFixture f(language);
    const QList<QAction*> actions = f.dialog().windowMenu()->actions();
    QAction *about = nullptr, *split = nullptr;
    for (QAction* a : actions) {
        if (a->data().toInt() == commandId)
            about = a;
        if (a->data().toInt() == ID_MENU_SPLIT_SONGS)
            split = a;
    }
    // The split by song is off at first, and remembered once checked.
    QVERIFY(split && split->isCheckable() && !split->isChecked());
    QCOMPARE(split->text(), songs);
    split->trigger();
    QVERIFY(
        readFile(f.dataFolder + QStringLiteral("/Kestrelwave.ini")).contains("\r\nsplit=1\r\n"));
    QVERIFY(about);
    QCOMPARE(about->text(), text);
    QVERIFY(actions.indexOf(about) > 0 && actions.at(actions.indexOf(about) - 1)->isSeparator());

    int opened = -1;
    whenModalOpens([&](QWidget* modal) {
        if (auto* box = qobject_cast<CAboutDlg*>(modal))
            opened = box->dialogId();
    });
    about->trigger();
    QCOMPARE(opened, dialogId);
}

void DialogTest::startShowsTheListAndPostsThePlayerNotice()
{
    DialogFixture f;
    CKestrelwaveDlg& d = f.dialog();
    QTest::qWait(50);
    // The sample list of a first start, its totals line and the title.
    QVERIFY(f.app->stations.count() > 12);
    QVERIFY(d.totalsText().startsWith(QStringLiteral("Total of ")));
    QVERIFY(d.totalsText().endsWith(QStringLiteral(" categories")));
    QCOMPARE(d.windowTitle(), QStringLiteral("Kestrelwave: list =  Kestrelwave_example.txt"));
    QCOMPARE(d.listView()->model()->rowCount(), int(f.app->stations.count()));
    QVERIFY(d.isActive());
    QVERIFY(!d.control(IDC_PROGRAMME_DUMP)->isVisible());
    // WM_APP+7 arrives once the event loop runs.
    bool notice = false;
    for (const auto& b : f.boxes->boxes())
        notice |= b.kind == ScriptedMessageBoxes::Kind::Silenceable && b.text == u"Using FFplay" &&
                  b.caption == u"Player" && b.valueName == u"Kestrelwave_2.1.0";
    QVERIFY(notice);
    // The settings file exists at once.
    QVERIFY(
        readFile(f.dataFolder + QStringLiteral("/Kestrelwave.ini")).startsWith("[LIST_FILE]\r\n"));
}

void DialogTest::wrappingBreaksAtTheRightPlaces()
{
    // One unit per character, 50 units wide.
    const auto width = [](QChar) { return 1; };
    // A separator at or after the 40th character: the break is there, and the separator
    // ends the first line.
    const QString sep = QString(45, u'a') + QStringLiteral(" ") + QString(20, u'b');
    QCOMPARE(wrapPaneText(sep, 50, width),
             QString(45, u'a') + QStringLiteral(" \r\n") + QString(20, u'b'));
    // A dot the rest would have dropped stays where it was.
    const QString url = QString(36, u'a') + QStringLiteral(" http://127.0.0.1:9/stream");
    QCOMPARE(wrapPaneText(url, 52, width),
             QString(36, u'a') + QStringLiteral(" http://127.0.0.\r\n1:9/stream"));
    // Separators only before the 40th: one of " ,_/." at or after the 10th is used.
    const QString slash = QString(12, u'a') + QStringLiteral("/") + QString(60, u'b');
    QCOMPARE(wrapPaneText(slash, 50, width).section(QStringLiteral("\r\n"), 0, 0),
             QString(12, u'a') + u'/');
    // Nothing usable: the estimated width.
    const QString solid(70, u'x');
    QCOMPARE(wrapPaneText(solid, 50, width),
             QString(50, u'x') + QStringLiteral("\r\n") + QString(20, u'x'));
    // Leading blanks and punctuation of the rest are dropped.
    const QString spaced = QString(48, u'a') + QStringLiteral(" ,,,,") + QString(20, u'b');
    QCOMPARE(wrapPaneText(spaced, 50, width),
             QString(48, u'a') + QStringLiteral(" ,\r\n") + QString(20, u'b'));
    // Short text is left alone, and a tiny width still ends.
    QCOMPARE(wrapPaneText(u"short", 50, width), QStringLiteral("short"));
    QVERIFY(wrapPaneText(solid, 1, width).count(QStringLiteral("\r\n")) >= 60);
}

void DialogTest::paneWrapsLongLinesToItsWidth()
{
    DialogFixture f;
    CKestrelwaveDlg& d = f.dialog();
    d.ClearInfoPane();
    const QString title =
        QStringLiteral("\n- ") + QStringLiteral("Very long song title words ").repeated(12) + u'\n';
    d.ShowText(title);
    const QFontMetrics metrics(d.infoPane()->font());
    const QStringList lines = d.infoPane()->text().split(u'\n');
    QVERIFY(lines.size() > 3);
    for (const QString& line : lines)
        QVERIFY2(metrics.horizontalAdvance(line) < d.infoPane()->textWidth(), qPrintable(line));
    QCOMPARE(d.infoPane()->text().remove(u'\n').remove(u' '),
             QString(title).remove(u'\n').remove(u' '));

    // Nothing beyond the pane's limit is shown.
    d.ClearInfoPane();
    const QString block = QString(999, u'x') + u'\n';
    for (int i = 0; i < 120; ++i)
        d.ShowText(block);
    QVERIFY(d.infoPane()->document()->characterCount() - 1 <= InfoPane::kMaxChars);
}

void DialogTest::paneWrapsAgainWhenResized()
{
    DialogFixture f;
    CKestrelwaveDlg& d = f.dialog();
    InfoPane* pane = d.infoPane();
    d.ClearInfoPane();
    const QString title = QStringLiteral("\n- ") +
                          QStringLiteral("Long song title, at http://127.0.0.1:9/x. ").repeated(8) +
                          u'\n';
    d.ShowText(title);
    const QFontMetrics metrics(pane->font());
    const auto linesFit = [&] {
        const QStringList lines = pane->text().split(u'\n');
        for (const QString& line : lines) {
            if (metrics.horizontalAdvance(line) >= pane->textWidth())
                return false;
        }
        return true;
    };
    const auto lineCount = [&] { return pane->text().count(u'\n'); };
    // Only a blank at the start of a line may go, never the dots and commas lines break at.
    const auto sameText = [&] {
        const auto strip = [](QString t) { return t.remove(u'\n').remove(u' '); };
        return strip(pane->text()) == strip(title);
    };
    QVERIFY(linesFit());
    QVERIFY(sameText());
    const int wide = lineCount();

    pane->resize(pane->width() / 2, pane->height());
    QVERIFY(linesFit());
    QVERIFY(sameText());
    QVERIFY(lineCount() > wide);
    pane->resize(pane->width() * 2, pane->height());
    QCOMPARE(lineCount(), wide);
    d.ShowText(QStringLiteral("next\n"));
    QVERIFY(pane->text().endsWith(QStringLiteral("\nnext\n")));

    // A full pane stays within its limit at any width, dropping its oldest lines for the
    // newest; emptied, it has nothing to wrap.
    const QString block = QString(999, u'x') + u'\n';
    for (int i = 0; i < 120; ++i)
        d.ShowText(block);
    d.ShowText(QStringLiteral("newest\n"));
    QVERIFY(pane->document()->characterCount() - 1 <= InfoPane::kMaxChars);
    QVERIFY(pane->text().endsWith(QStringLiteral("x\nnewest\n")));
    QVERIFY(!pane->text().contains(QStringLiteral("- Long")));
    pane->resize(pane->width() / 3, pane->height());
    QVERIFY(pane->document()->characterCount() - 1 <= InfoPane::kMaxChars);
    QVERIFY(pane->text().endsWith(QStringLiteral("x\nnewest\n")));
    d.ClearInfoPane();
    pane->resize(pane->width() * 3, pane->height());
    QVERIFY(pane->text().isEmpty());
}

void DialogTest::qtTextsFollowTheLanguage_data()
{
    QTest::addColumn<uint>("system");
    QTest::addColumn<int>("stored"); // the registry's "Language", 0 for none
    QTest::addColumn<QString>("yes");
    QTest::addColumn<QString>("cancel");
    QTest::addColumn<QString>("lookIn");
    QTest::newRow("German") << 1031u << 0 << u"&Ja"_qs << u"Abbrechen"_qs << u"Suchen in:"_qs;
    QTest::newRow("French") << 1036u << 0 << u"&Oui"_qs << u"Annuler"_qs << u"Voir dans :"_qs;
    QTest::newRow("English") << 1033u << 0 << u"&Yes"_qs << u"Cancel"_qs << u"Look in:"_qs;
    QTest::newRow("Swiss German is English")
        << 2055u << 0 << u"&Yes"_qs << u"Cancel"_qs << u"Look in:"_qs;
    QTest::newRow("registry override")
        << 1033u << 1031 << u"&Ja"_qs << u"Abbrechen"_qs << u"Suchen in:"_qs;
}

void DialogTest::qtTextsFollowTheLanguage()
{
    QFETCH(uint, system);
    QFETCH(int, stored);
    DialogFixture f(system, [stored](const QString& dataFolder) {
        if (stored)
            QSettings(dataFolder + u"/../../registry.ini"_qs, QSettings::IniFormat)
                .setValue(u"Language"_qs, stored);
    });
    QMessageBox box(QMessageBox::Question, {}, {},
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    QTEST(box.button(QMessageBox::Yes)->text(), "yes");
    QTEST(box.button(QMessageBox::Cancel)->text(), "cancel");
    QFileDialog files;
    files.setOption(QFileDialog::DontUseNativeDialog);
    QTEST(files.labelText(QFileDialog::LookIn), "lookIn");
}

void DialogTest::workerTextsArriveInOrder()
{
    DialogFixture f;
    CKestrelwaveDlg& d = f.dialog();
    d.ClearInfoPane();
    constexpr int kTexts = 500;
    std::thread worker([&d] {
        for (int i = 0; i < kTexts; ++i)
            d.showText(QStringLiteral("line %1\n").arg(i));
    });
    // The worker must not wait for the GUI thread; its texts are queued.
    worker.join();
    for (int round = 0; round < 200 && !d.infoPane()->text().contains(QStringLiteral("line 499"));
         ++round)
        QTest::qWait(10);
    // A burst faster than the window draws keeps its latest texts, in order.
    const QStringList lines = d.infoPane()->text().split(u'\n', Qt::SkipEmptyParts);
    QVERIFY(!lines.isEmpty() && lines.size() <= kTexts);
    const int first = kTexts - int(lines.size());
    for (int i = 0; i < lines.size(); ++i)
        QCOMPARE(lines[i], QStringLiteral("line %1").arg(first + i));
    // Texts that come no faster than the window draws all arrive.
    d.ClearInfoPane();
    std::thread slow([&d] {
        for (int i = 0; i < 20; ++i) {
            d.showText(QStringLiteral("slow %1\n").arg(i));
            std::this_thread::sleep_for(std::chrono::milliseconds(i % 5 == 0 ? 60 : 0));
        }
    });
    for (int round = 0; round < 300 && !d.infoPane()->text().contains(QStringLiteral("slow 19"));
         ++round)
        QTest::qWait(10);
    slow.join();
    QCOMPARE(d.infoPane()->text().count(QStringLiteral("slow ")), 20);
}

void DialogTest::cellColoursFollowTheEntryKind()
{
    DialogFixture f;
    const QString path = f.writeList(QStringLiteral("colours.txt"), kList);
    f.files.openChoices << path;
    CKestrelwaveDlg& d = f.dialog();
    d.command(IDC_LOAD_LIST);
    StationListModel* m = d.listModel();
    StationList& list = f.app->stations;
    QCOMPARE(list.count(), qsizetype(5));
    list.setFlags(0 + 1, list.flags(1) | MARK_INVALID); // "Smooth One" failed, name kept
    const auto& c = f.app->colors;
    const QColor valid = toQColor(c[ColorValid]), invalid = toQColor(c[ColorInvalid]),
                 modified = toQColor(c[ColorModified]), grey(80, 80, 80),
                 listBg = toQColor(c[ColorListBackground]);
    // Category: title in its colours, the other cells grey on the list background.
    QCOMPARE(m->textColor(0, 0), toQColor(c[ColorCategory]));
    QCOMPARE(m->backgroundColor(0, 0), toQColor(c[ColorCategBkg]));
    QCOMPARE(m->textColor(0, 1), grey);
    QCOMPARE(m->backgroundColor(0, 2), listBg);
    // A station marked invalid keeps a valid-coloured name; URL and format turn red.
    QCOMPARE(m->textColor(1, 0), valid);
    QCOMPARE(m->textColor(1, 1), invalid);
    QCOMPARE(m->textColor(1, 2), invalid);
    // "INVALID" and anything beginning with those seven letters.
    QCOMPARE(m->textColor(2, 0), invalid);
    QCOMPARE(m->textColor(2, 1), invalid);
    QCOMPARE(m->textColor(4, 0), invalid);
    // A user-named entry: the modified colour; renamed to INVALID it stays modified-coloured
    // while its URL shows invalid.
    QCOMPARE(m->textColor(3, 0), modified);
    QCOMPARE(m->textColor(3, 1), grey);
    list.setName(3, QStringLiteral("INVALID"));
    QCOMPARE(m->textColor(3, 0), modified);
    QCOMPARE(m->textColor(3, 1), invalid);
    QCOMPARE(m->backgroundColor(3, 0), listBg);
    // The model hands them to the view, and category rows show nothing in columns 1 and 2.
    QCOMPARE(m->data(m->index(2, 0), Qt::ForegroundRole).value<QColor>(), invalid);
    QCOMPARE(m->data(m->index(0, 1), Qt::DisplayRole).toString(), QString());
    QCOMPARE(m->data(m->index(1, 2), Qt::DisplayRole).toString(), QStringLiteral("mp3_128k"));
    QCOMPARE(ListHeader::sectionText(0, QStringLiteral("Station")), QStringLiteral("  Station"));
    QCOMPARE(ListHeader::sectionText(2, QStringLiteral("Format")), QStringLiteral("|  Format"));
}

void DialogTest::editedColoursShowAtTheNextStart()
{
    DialogFixture f(1033, [](const QString& data) {
        QFile ini(data + QStringLiteral("/Kestrelwave.ini"));
        ini.open(QIODevice::WriteOnly);
        ini.write("[LIST_FILE]\r\nlist=Kestrelwave_example.txt\r\n[COLORS]\r\n"
                  "dlg_background=10,20,30\r\nlist_header=300,0,0\r\ncategBkg=1,2,3\r\n");
    });
    CKestrelwaveDlg& d = f.dialog();
    QCOMPARE(d.palette().color(QPalette::Window), QColor(10, 20, 30));
    QCOMPARE(f.app->colors[ColorListHeader], rgb(44, 0, 0));
    QCOMPARE(d.listModel()->backgroundColor(0, 0), QColor(1, 2, 3));
    // The program writes the key back in its own spelling.
    QVERIFY(
        readFile(f.dataFolder + QStringLiteral("/Kestrelwave.ini")).contains("categbkg=1,2,3\r\n"));
}

void DialogTest::columnWidthsWithVeryLongNames()
{
    DialogFixture f;
    CKestrelwaveDlg& d = f.dialog();
    d.resize(1000, 700);
    QTest::qWait(20);
    QHeaderView* h = d.listView()->horizontalHeader();
    const int client = d.listView()->viewport()->width();
    QCOMPARE(h->sectionSize(0), 220); // the sample names are short
    QCOMPARE(h->sectionSize(1), client - 220 - 78);
    QCOMPARE(h->sectionSize(2), 73);

    StationList& list = f.app->stations;
    list.append({QStringLiteral("An extremely long station name ").repeated(6),
                 QStringLiteral("http://x/y"),
                 0,
                 {}});
    d.FillListView();
    const int wide = h->sectionSize(0);
    QVERIFY(wide > 500);
    QVERIFY(wide >= d.listView()->fontMetrics().horizontalAdvance(list.name(list.count() - 1)));
    QCOMPARE(h->sectionSize(1), std::max(40, client - wide - 78));
    QCOMPARE(h->sectionSize(2), 73);
}

void DialogTest::loadAndSaveThroughTheCommands()
{
    DialogFixture f;
    const QString path = f.writeList(QStringLiteral("mine.txt"), kList);
    f.files.openChoices << path;
    CKestrelwaveDlg& d = f.dialog();
    d.command(IDC_LOAD_LIST);
    QCOMPARE(d.windowTitle(), QStringLiteral("Kestrelwave: list =  mine.txt"));
    QCOMPARE(d.totalsText(), QStringLiteral("Total of 4 Audio URLs in 1 categories"));
    QVERIFY(readFile(f.dataFolder + QStringLiteral("/Kestrelwave.ini"))
                .contains(QByteArray("list=" + path.toUtf8() + "\r\n")));
    // The file dialog is offered the current list.
    QCOMPARE(f.files.suggestions.last(), f.dataFolder + QStringLiteral("/Kestrelwave_example.txt"));

    // Cancelling the dialog changes nothing.
    d.command(IDC_LOAD_LIST);
    QCOMPARE(f.app->stations.count(), qsizetype(5));

    const QString saved = f.dataFolder + QStringLiteral("/saved.txt");
    f.files.saveChoices << saved;
    d.command(IDC_SAVE_LIST);
    QCOMPARE(readFile(saved), kList);
    QCOMPARE(d.windowTitle(), QStringLiteral("Kestrelwave: list =  saved.txt"));
    QCOMPARE(f.app->stations.listPath, saved);
}

void DialogTest::saveRefusesWhatCannotBeWritten()
{
    DialogFixture f(1036);
    CKestrelwaveDlg& d = f.dialog();
    f.boxes->clear();
    f.files.saveChoices << f.dataFolder + QStringLiteral("/missing/dir/list.txt");
    d.command(IDC_SAVE_LIST);
    QCOMPARE(f.boxes->texts().value(0), QStringLiteral("Accès à ce répertoire impossible"));

    f.boxes->clear();
    f.app->stations.clear();
    d.command(IDC_SAVE_LIST);
    QCOMPARE(f.boxes->texts().value(0), QStringLiteral("Rien à sauvegarder..."));

    f.boxes->clear();
    f.app->stations.append({QStringLiteral("A"), QStringLiteral("http://127.0.0.1/a"), 0, {}});
    const QString locked = f.writeList(QStringLiteral("locked.txt"), "old\n");
    QFile::setPermissions(locked, QFile::ReadOwner);
    if (QFile(locked).open(QIODevice::ReadWrite))
        QSKIP("running with rights that ignore file permissions");
    f.files.saveChoices << locked;
    d.command(IDC_SAVE_LIST);
    QCOMPARE(f.boxes->texts().value(0), QStringLiteral("Impossible de créer le fichier ") + locked);
    QCOMPARE(readFile(locked), QByteArray("old\n"));
}

void DialogTest::exitWritesSettingsAndAsksAboutTheModifiedList()
{
    DialogFixture f;
    CKestrelwaveDlg& d = f.dialog();
    QFile::remove(f.dataFolder + QStringLiteral("/Kestrelwave.ini"));
    f.app->stations.setName(1, QStringLiteral("Changed"));
    const QString saved = f.dataFolder + QStringLiteral("/on-exit.txt");
    f.files.saveChoices << saved;
    f.boxes->clear();
    f.boxes->answer(true);
    QSignalSpy finished(&d, &QDialog::finished);
    d.command(IDOK);
    QCOMPARE(finished.count(), 1);
    QVERIFY(!d.isActive());
    QVERIFY(
        readFile(f.dataFolder + QStringLiteral("/Kestrelwave.ini")).startsWith("[LIST_FILE]\r\n"));
    QCOMPARE(f.boxes->texts().value(0), QStringLiteral("Do you want to save the modified List ?"));
    QVERIFY(readFile(saved).contains("Changed \t"));
    // A second close does nothing more.
    d.command(IDCANCEL);
    QCOMPARE(finished.count(), 1);
}

void DialogTest::escapeDoesNotClose()
{
    DialogFixture f;
    CKestrelwaveDlg& d = f.dialog();
    QTest::keyClick(&d, Qt::Key_Escape);
    QVERIFY(d.isVisible());
    QVERIFY(d.isActive());
}

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    DialogTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "dialog_test.moc"
