#include "app/controlids.h"
#include "scan/autoscan.h"
#include "stream/streamengine.h"
#include "tests/support/spin.h"
#include "tests/ui/dialogfixture.h"
#include "ui/infopane.h"

#include <QApplication>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTest>

using namespace ids;

namespace {

struct Scan : DialogFixture {
    Scan(std::uint32_t language, const QByteArray& listText) : DialogFixture(language)
    {
        files.openChoices << writeList(QStringLiteral("scan.txt"), listText);
        dialog().command(IDC_LOAD_LIST);
        boxes->clear();
        button = qobject_cast<QPushButton*>(dlg->control(IDC_AUTO_SCAN));
    }
    QString pane() const { return dlg->infoPane()->text(); }
    QPushButton* button = nullptr;
};

// Port 9 (discard) is closed here: a station that fails at once.
const QByteArray kStations = "\nA\nOne\thttp://127.0.0.1:9/one\nTwo\thttp://127.0.0.1:9/two\n";

} // namespace

class ScanTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void buttonShowsTheScanInEachLanguage_data();
    void buttonShowsTheScanInEachLanguage();
    void categoriesOnlyEndAtOnce();
    void sortAbortsTheScanFirst();
};

void ScanTest::buttonShowsTheScanInEachLanguage_data()
{
    QTest::addColumn<uint>("language");
    QTest::addColumn<QString>("stop");
    QTest::addColumn<QString>("offline");
    QTest::newRow("en") << 1033u << QStringLiteral("Stop Auto Scan")
                        << QStringLiteral("No Internet Connection !");
    QTest::newRow("fr") << 1036u << QStringLiteral("Arrêter le Scan")
                        << QStringLiteral("Pas de connexion Internet !");
    QTest::newRow("de") << 1031u << QStringLiteral("Scan beenden")
                        << QStringLiteral("Keine Internetverbindung !");
}

void ScanTest::buttonShowsTheScanInEachLanguage()
{
    QFETCH(uint, language);
    QFETCH(QString, stop);
    QFETCH(QString, offline);
    Scan f(language, kStations);
    CAutoScan& scan = *f.app->scan;

    // Offline: a box, and the button does not stay pushed from the click.
    scan.connectionAvailable = [] { return false; };
    QTest::mouseClick(f.button, Qt::LeftButton);
    QCOMPARE(f.boxes->texts(), QStringList{offline});
    QVERIFY(!f.button->isChecked());
    QVERIFY(!f.app->status.autoScanRunning);

    scan.connectionAvailable = [] { return true; };
    f.boxes->answer(false);
    QTest::mouseClick(f.button, Qt::LeftButton);
    QCOMPARE(f.button->text(), stop);
    QVERIFY(f.button->isChecked());
    QVERIFY(f.dlg->scanProgress()->isVisible());
    QVERIFY(f.pane().contains(QStringLiteral("AUTO-SCAN STARTED...")));

    // The button again: the scan ends as completed, without the end box.
    QTest::mouseClick(f.button, Qt::LeftButton);
    QCOMPARE(f.button->text(), QStringLiteral("Auto Scan"));
    QVERIFY(!f.button->isChecked());
    QVERIFY(!f.dlg->scanProgress()->isVisible());
    QVERIFY(f.pane().endsWith(QStringLiteral("AUTO-SCAN TERMINATED\n")));
    QVERIFY(!f.app->status.autoScanRunning);
    f.app->engine->curl.stopAndWait();
}

void ScanTest::categoriesOnlyEndAtOnce()
{
    Scan f(1033, "\nJazz\n\nRock\n");
    f.boxes->answer(true); // erasing changes nothing here
    f.dlg->command(IDC_AUTO_SCAN);
    const QString end = QStringLiteral("Auto-scan terminated");
    QVERIFY(spinUntil([&] { return f.boxes->texts().contains(end); }, 3000));
    QCOMPARE(f.boxes->boxes().back().icon, BoxIcon::Information);
    QVERIFY(!f.app->engine->curl.threadAlive());
    QCOMPARE(f.app->stations.name(0), QStringLiteral("Jazz"));
    const QString pane = f.pane();
    QVERIFY(pane.indexOf(QStringLiteral("AUTO-SCAN STARTED")) <
            pane.indexOf(QStringLiteral("AUTO-SCAN TERMINATED")));
    QVERIFY(!f.button->isChecked());
}

void ScanTest::sortAbortsTheScanFirst()
{
    Scan f(1033, "\nB\n#Zed\thttp://127.0.0.1:9/z\tmp3\n#Mine\thttp://127.0.0.1:9/m\tmp3\n"
                 "\nA\nAlpha\thttp://127.0.0.1:9/a\n");
    StationList& list = f.app->stations;
    f.app->scan->connectionAvailable = [] { return true; };
    f.boxes->answer(true); // erase: only the names the user set stay
    f.dlg->command(IDC_AUTO_SCAN);
    QCOMPARE(list.name(1), QStringLiteral("Zed"));
    QCOMPARE(list.name(4), QString());
    QVERIFY(spinUntil([&] { return f.app->scan->scanIndex > 4; }, 3000));

    f.dlg->command(IDC_SORT);
    QVERIFY(!f.app->status.autoScanRunning);
    QVERIFY(f.pane().contains(QStringLiteral("AUTO-SCAN ABORTED")));
    QVERIFY(!f.button->isChecked());
    QCOMPARE(list.name(1), QStringLiteral("Mine"));
    f.app->engine->curl.stopAndWait();
    // Undo steps back over the sort, the scan and the erasing, in that order.
    QTest::keyClick(f.dlg->listView(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(list.name(1), QStringLiteral("Zed"));
    QTest::keyClick(f.dlg->listView(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(list.name(4), QString());
    QTest::keyClick(f.dlg->listView(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(list.name(4), QStringLiteral("Alpha"));
}

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ScanTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "scan_test.moc"
