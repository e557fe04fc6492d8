#include "app/controlids.h"
#include "app/kestrelwaveapp.h"
#include "stream/streamengine.h"
#include "tests/support/spin.h"
#include "tests/ui/dialogfixture.h"
#include "ui/infopane.h"

#include <QAccessible>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

using namespace ids;

namespace {

const QByteArray kList = "\nJazz\n"
                         "One \thttp://127.0.0.1:9/one\n"
                         "Two \thttp://127.0.0.1:9/two\n"
                         "Three \thttp://127.0.0.1:9/three\n";

QLineEdit* field(CKestrelwaveDlg& d, int id)
{
    return qobject_cast<QLineEdit*>(d.control(id));
}

} // namespace

class WindowTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void typingStaysInTheFieldAndTheFieldsFollowTheRow();
    void unreadableCommandLineListKeepsTheRememberedOne();
    void fitsSmallScreensAndStaysReadableInADarkTheme();
    void aScreenReaderRunsCommandsAndHearsNames();
};

void WindowTest::typingStaysInTheFieldAndTheFieldsFollowTheRow()
{
    DialogFixture f;
    f.files.openChoices << f.writeList(QStringLiteral("w.txt"), kList);
    CKestrelwaveDlg& d = f.dialog();
    d.command(IDC_LOAD_LIST);
    d.activateWindow();

    // Typing a known URL selects its row, but the letters that follow stay in the field.
    QLineEdit* url = field(d, IDC_URL);
    url->clear();
    url->setFocus();
    QTest::keyClicks(url, QStringLiteral("http://127.0.0.1:9/two"));
    QVERIFY(spinUntil([&] { return f.app->stations.selectedIndex == 2; }, 2000));
    QTest::keyClicks(url, QStringLiteral("/more"));
    QCOMPARE(url->text(), QStringLiteral("http://127.0.0.1:9/two/more"));
    QCOMPARE(QApplication::focusWidget(), url);

    // Moving down with the keyboard takes the fields along; Update then renames that row.
    d.listView()->setFocus();
    QTest::keyClick(d.listView(), Qt::Key_Down);
    QCOMPARE(f.app->stations.selectedIndex, 3);
    QCOMPARE(url->text(), QStringLiteral("http://127.0.0.1:9/three"));
    field(d, IDC_NAME)->setText(QStringLiteral("Three renamed"));
    f.boxes->answer(true);
    d.command(IDC_UPDATE);
    QCOMPARE(f.app->stations.name(3), QStringLiteral("Three renamed"));
    QCOMPARE(f.app->stations.url(2), QStringLiteral("http://127.0.0.1:9/two"));

    // F1 opens the help; when the desktop cannot, the pane says so.
    QStringList opened;
    d.openExternal = [&](const QString& target) {
        opened << target;
        return false;
    };
    QTest::keyClick(d.listView(), Qt::Key_F1);
    QCOMPARE(opened.size(), 1);
    QVERIFY(d.infoPane()->text().contains(QStringLiteral("Could not open the help file")));

    // So does the web search, which leaves the button and the fields as they were.
    f.app->engine->control.connectionAvailable = [](const QString&) { return true; };
    d.command(IDC_WEB_SEARCH);
    QCOMPARE(opened.size(), 2);
    QVERIFY(!qobject_cast<QPushButton*>(d.control(IDC_WEB_SEARCH))->isChecked());
    QVERIFY(!f.app->webSearchActive);
    QCOMPARE(url->text(), QStringLiteral("http://127.0.0.1:9/three"));
    QCOMPARE(field(d, IDC_NAME)->text(), QStringLiteral("Three renamed"));
    QCOMPARE(f.app->stations.selectedIndex, 3);
    QVERIFY(d.infoPane()->text().contains(QStringLiteral("Could not open Web Page ")));
}

void WindowTest::unreadableCommandLineListKeepsTheRememberedOne()
{
    QString remembered;
    DialogFixture f(1036, [&](const QString& data) {
        remembered = data + QStringLiteral("/mine.txt");
        QFile list(remembered);
        list.open(QIODevice::WriteOnly);
        list.write(kList);
        QFile ini(data + QStringLiteral("/Kestrelwave.ini"));
        ini.open(QIODevice::WriteOnly);
        ini.write("[LIST_FILE]\nlist=" + remembered.toUtf8() + "\n");
    });
    f.app->commandLineList = f.dataFolder + QStringLiteral("/missing.txt");
    CKestrelwaveDlg& d = f.dialog();
    QVERIFY(
        d.infoPane()->text().contains(QStringLiteral("Impossible d'ouvrir le fichier de liste")));
    QCOMPARE(f.app->stations.listPath, remembered);
    QCOMPARE(f.app->stations.count(), 4);
    d.command(IDOK);
    QFile ini(f.app->iniPath);
    QVERIFY(ini.open(QIODevice::ReadOnly));
    QVERIFY(ini.readAll().contains(QByteArray(QByteArray("list=") + remembered.toUtf8())));
}

void WindowTest::fitsSmallScreensAndStaysReadableInADarkTheme()
{
    const QPalette light = QApplication::palette();
    QPalette dark = light;
    for (auto role : {QPalette::Window, QPalette::Base, QPalette::Button})
        dark.setColor(role, QColor(40, 40, 40));
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        dark.setColor(role, Qt::white);
    QApplication::setPalette(dark);
    for (const std::uint32_t language : {1033u, 1031u}) {
        DialogFixture f(language);
        const int width = f.dialog().minimumSizeHint().width();
        QVERIFY2(width <= 1000, qPrintable(QString::number(width)));
    }
    {
        DialogFixture f(1036);
        CKestrelwaveDlg& d = f.dialog();
        QVERIFY2(d.minimumSizeHint().width() <= 1000,
                 qPrintable(QString::number(d.minimumSizeHint().width())));
        const auto darkOn = [](QWidget* w, QPalette::ColorRole text, QPalette::ColorRole back) {
            return w->palette().color(text).lightness() + 100 <
                   w->palette().color(back).lightness();
        };
        QVERIFY(darkOn(field(d, IDC_NAME), QPalette::Text, QPalette::Base));
        QVERIFY(darkOn(d.infoPane(), QPalette::Text, QPalette::Base));
        QVERIFY(darkOn(d.control(IDC_TOTALS), QPalette::WindowText, QPalette::Window));
        QVERIFY(darkOn(d.control(IDC_PRESET_LABEL_FIRST), QPalette::WindowText, QPalette::Window));
        if (qEnvironmentVariableIsSet("KW_SCREENSHOT"))
            d.grab().save(qEnvironmentVariable("KW_SCREENSHOT"));
    }
    QApplication::setPalette(light);
}

// A screen reader activates a checkable button through its accessible action, which for
// Qt's own button only flips its state: the command must run all the same.
void WindowTest::aScreenReaderRunsCommandsAndHearsNames()
{
    DialogFixture f(1036);
    CKestrelwaveDlg& d = f.dialog();
    f.app->engine->control.connectionAvailable = [](const QString&) { return true; };
    field(d, IDC_URL)->setText(QStringLiteral("not an address"));
    auto* play = qobject_cast<QPushButton*>(d.control(IDC_PLAY));
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(play);
    QVERIFY(a && a->actionInterface());
    QVERIFY(a->state().checkable);
    for (const QString& action :
         {QAccessibleActionInterface::toggleAction(), QAccessibleActionInterface::pressAction()}) {
        f.boxes->clear();
        a->actionInterface()->doAction(action);
        QCOMPARE(f.boxes->texts().join(u"|"), QStringLiteral("Désolé, cet URL n'est pas valide"));
        QVERIFY(!play->isChecked()); // the state follows the program, not the activation
    }
    for (int id : {IDC_LIST, IDC_INFO_PANE, IDC_SCOPE, IDC_RECORD_LAMP, IDC_VOLUME}) {
        QAccessibleInterface* c = QAccessible::queryAccessibleInterface(d.control(id));
        QVERIFY(c && !c->text(QAccessible::Name).isEmpty());
        QVERIFY(!c->text(QAccessible::Description).isEmpty());
    }
    QCOMPARE(QAccessible::queryAccessibleInterface(d.control(IDC_VOLUME))->text(QAccessible::Name),
             QStringLiteral("Volume"));
    QCOMPARE(QAccessible::queryAccessibleInterface(d.control(IDC_PRESET_FIRST + 2))
                 ->text(QAccessible::Name),
             QStringLiteral("Présélection 3"));
}

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    WindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "window_test.moc"
