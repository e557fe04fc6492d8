#include "app/controlids.h"
#include "app/kestrelwaveapp.h"
#include "directory/directoryclient.h"
#include "stream/streamengine.h"
#include "tests/integration/station.h"
#include "tests/integration/windowrig.h"
#include "tests/support/spin.h"
#include "ui/directorydlg.h"
#include "ui/directorymodel.h"
#include "ui/kestrelwavedlg.h"

#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace ids;

namespace {

// The directory's stand-in over the fixture, named by KESTREL_DIRECTORY_URL while it lives.
class StandIn {
public:
    StandIn()
    {
        log_ = dir_.path() + QStringLiteral("/requests.log");
        server_.start(QStringLiteral("python3"),
                      {QStringLiteral(KESTREL_SOURCE_DIR "/tests/support/directoryserver.py"),
                       QStringLiteral("--fixture"),
                       QStringLiteral(KESTREL_SOURCE_DIR "/tests/data/directory/stations.json"),
                       QStringLiteral("--icecast"), TestStation::icecast(QString()),
                       QStringLiteral("--log"), log_});
        if (server_.waitForReadyRead(10000))
            port_ = server_.readLine().trimmed().toInt();
        pointAt(url());
    }
    ~StandIn()
    {
        qunsetenv(DirectoryClient::kOverrideVariable);
        server_.kill();
        server_.waitForFinished(5000);
    }
    static void pointAt(const QString& url)
    {
        qputenv(DirectoryClient::kOverrideVariable, url.toUtf8());
    }
    bool up() const { return port_ > 0; }
    QString url() const { return QStringLiteral("http://127.0.0.1:%1/").arg(port_); }
    // The requests it was sent, as "path agent" lines.
    QStringList requests() const
    {
        QFile f(log_);
        f.open(QIODevice::ReadOnly);
        QStringList out;
        for (const QByteArray& line : f.readAll().split('\n')) {
            const QJsonObject o = QJsonDocument::fromJson(line).object();
            if (!o.isEmpty())
                out << o[u"path"].toString() + u' ' + o[u"agent"].toString();
        }
        return out;
    }

private:
    QTemporaryDir dir_;
    QProcess server_;
    QString log_;
    int port_ = 0;
};

void search(CDirectoryDlg& d, const QString& name)
{
    qobject_cast<QLineEdit*>(d.control(IDC_DIR_NAME))->setText(name);
    d.command(IDC_DIR_SEARCH);
    EXPECT_TRUE(d.searching());
    EXPECT_TRUE(spinUntil([&] { return !d.searching(); }, 40000)) << name.toStdString();
}

int rowNamed(const DirectoryModel& m, const QString& name)
{
    for (int r = 0; r < m.rowCount(); ++r) {
        if (m.index(r, DirectoryModel::Name).data().toString() == name)
            return r;
    }
    return -1;
}

qint64 residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}

} // namespace

// The Station Directory through the real window against the stand-in: a search, sorting,
// a station played (heard on the null sink, its click counted), three added and taken back
// with Ctrl+Z, no result, more results, bad answers, and a server that never answers ended
// by Close and by the program's end.
TEST(Window, DirectorySearchPlaysAddsAndIsBoundedAgainstBadServers)
{
    if (!TestStation::up())
        GTEST_FAIL() << "the local test station did not start";
    StandIn standIn;
    ASSERT_TRUE(standIn.up()) << "the directory stand-in did not start";
    const QString mine = TestStation::icecast(QStringLiteral("/tone.mp3"));
    WindowRig rig("\nMine\nMy tone\t" + mine.toUtf8() + "\n");
    ASSERT_TRUE(rig.started);
    CKestrelwaveApp& app = *rig.app;
    CKestrelwaveDlg& window = rig.open();

    // The button and the menu entry open the same one dialog.
    window.command(IDC_DIRECTORY);
    for (QAction* a : window.windowMenu()->actions()) {
        if (a->data().toInt() == IDC_DIRECTORY)
            a->trigger();
    }
    ASSERT_EQ(window.findChildren<CDirectoryDlg*>().size(), 1);
    CDirectoryDlg& d = *window.findChild<CDirectoryDlg*>();
    DirectoryModel& m = *d.model();

    search(d, QStringLiteral("jazz"));
    EXPECT_EQ(d.statusText(), QStringLiteral("46 stations found")); // the twin listed once
    ASSERT_EQ(m.rowCount(), 46);
    EXPECT_EQ(m.index(0, DirectoryModel::Name).data(), QStringLiteral("Kestrel Jazz Tone ♪"));
    EXPECT_TRUE(standIn.requests().contains(
        QStringLiteral("/json/stations/search?order=votes&reverse=true&name=jazz&hidebroken=true"
                       "&limit=100&offset=0 Kestrelwave/2.1.0")))
        << standIn.requests().join(u'\n').toStdString();

    // Sorted by bit rate, numbers written as text among them, then by name.
    d.results()->sortByColumn(DirectoryModel::Bitrate, Qt::DescendingOrder);
    for (int r = 1; r < m.rowCount(); ++r)
        EXPECT_GE(m.station(r - 1).bitrate, m.station(r).bitrate) << r;
    d.results()->sortByColumn(DirectoryModel::Name, Qt::AscendingOrder);
    EXPECT_EQ(m.index(0, DirectoryModel::Name).data(), QStringLiteral("#1 Jazz Hits"));
    EXPECT_EQ(m.station(rowNamed(m, QStringLiteral("Jazz FM Live — Köln"))).bitrate, 128);

    // A double-click plays through the window's own fields, heard on the null sink.
    const QString aac = TestStation::icecast(QStringLiteral("/tone.aac"));
    const int live = rowNamed(m, QStringLiteral("Jazz FM Live — Köln"));
    ASSERT_GE(live, 0);
    Q_EMIT d.results()->doubleClicked(m.index(live, 0));
    EXPECT_EQ(qobject_cast<QLineEdit*>(window.control(IDC_URL))->text(), aac);
    EXPECT_EQ(qobject_cast<QLineEdit*>(window.control(IDC_NAME))->text(),
              QStringLiteral("Jazz FM Live — Köln"));
    ASSERT_TRUE(spinUntil([&] { return app.engine->curl.playerStarted.load(); }, 20000));
    int peak = -1;
    EXPECT_TRUE(spinUntil([&] { return (peak = TestStation::monitorPeak()) > 1000; }, 15000))
        << "the null sink's monitor stays silent: peak " << peak;
    const QString click =
        QStringLiteral("/json/url/") + m.station(live).uuid + QStringLiteral(" Kestrelwave/2.1.0");
    EXPECT_TRUE(spinUntil([&] { return standIn.requests().contains(click); }, 5000));
    window.command(IDC_PLAY);
    EXPECT_FALSE(app.status.playing);

    // Four chosen, one already in the list: three added under one heading, one undo step.
    QItemSelectionModel* selection = d.results()->selectionModel();
    const QStringList chosen = {QStringLiteral("Kestrel Jazz Tone ♪"),
                                QStringLiteral("Jazz FM Live — Köln"),
                                QStringLiteral("Tokyo Jazz 東京ジャズ http://junk.example"),
                                QStringLiteral("#1 Jazz Hits")};
    for (const QString& name : chosen)
        selection->select(m.index(rowNamed(m, name), 0),
                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
    d.command(IDC_DIR_ADD);
    EXPECT_EQ(d.statusText(), QStringLiteral("3 stations added to the list"));
    ASSERT_EQ(app.stations.count(), 6);
    EXPECT_TRUE(app.stations.isModified());
    window.activateWindow();
    QTest::keyClick(window.listView(), Qt::Key_Z, Qt::ControlModifier);
    ASSERT_EQ(app.stations.count(), 2);
    EXPECT_EQ(app.stations.url(1), mine);
    QTest::keyClick(window.listView(), Qt::Key_Y, Qt::ControlModifier);
    ASSERT_EQ(app.stations.count(), 6);
    ASSERT_TRUE(app.stations.SaveList(rig.listPath));
    QFile saved(rig.listPath);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(saved.readAll());
    const QString expected =
        QStringLiteral(
            "Directory: jazz\r?\n##1 Jazz Hits \t%1/opus.ogg\r?\n"
            "Jazz FM Live — Köln \t%1/tone.aac\r?\nTokyo Jazz 東京ジャズ \t%1/vorbis.ogg")
            .arg(QRegularExpression::escape(TestStation::icecast(QString())));
    EXPECT_TRUE(text.contains(QRegularExpression(expected))) << text.toStdString();

    search(d, QStringLiteral("no such station anywhere"));
    EXPECT_EQ(d.statusText(), QStringLiteral("No station found"));
    EXPECT_EQ(m.rowCount(), 0);

    // Everything: a first page of 100 (one station twice), then the next one.
    search(d, QString());
    EXPECT_EQ(m.rowCount(), 99);
    auto* more = qobject_cast<QPushButton*>(d.control(IDC_DIR_MORE));
    ASSERT_TRUE(more->isEnabled());
    d.command(IDC_DIR_MORE);
    ASSERT_TRUE(spinUntil([&] { return !d.searching(); }, 40000));
    EXPECT_EQ(m.rowCount(), 199);
    EXPECT_TRUE(standIn.requests().contains(
        QStringLiteral("/json/stations/search?order=votes&reverse=true&hidebroken=true&limit=100"
                       "&offset=100 Kestrelwave/2.1.0")));

    search(d, QStringLiteral("malformed"));
    EXPECT_EQ(d.statusText(), QStringLiteral("Bad answer from the directory"));
    search(d, QStringLiteral("error500"));
    EXPECT_EQ(d.statusText(), QStringLiteral("The directory did not answer (HTTP 500)"));
    // 50 MiB refused after 16 MiB, without keeping more than that.
    const qint64 before = residentKiB();
    qint64 most = before;
    qobject_cast<QLineEdit*>(d.control(IDC_DIR_NAME))->setText(QStringLiteral("huge"));
    d.command(IDC_DIR_SEARCH);
    ASSERT_TRUE(spinUntil(
        [&] {
            most = std::max(most, residentKiB());
            return !d.searching();
        },
        40000));
    EXPECT_EQ(d.statusText(), QStringLiteral("Bad answer from the directory (more than 16 MiB)"));
    EXPECT_LT(most - before, 40 * 1024) << most - before << " KiB more while refusing";

    // A server that never answers: the dialog keeps working, Close ends the search at once.
    qobject_cast<QLineEdit*>(d.control(IDC_DIR_NAME))->setText(QStringLiteral("silent"));
    d.command(IDC_DIR_SEARCH);
    bool ticked = false;
    QTimer::singleShot(300, &d, [&] { ticked = true; });
    EXPECT_TRUE(spinUntil([&] { return ticked; }, 1000));
    EXPECT_TRUE(d.searching());
    EXPECT_EQ(d.statusText(), QStringLiteral("Searching..."));
    QPointer<CDirectoryDlg> gone(&d);
    const auto closed = [&] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return gone.isNull();
    };
    QElapsedTimer took;
    took.start();
    d.command(IDOK);
    EXPECT_TRUE(spinUntil(closed, 2000));
    EXPECT_LT(took.elapsed(), 1000);

    // No server at the address: said so.
    StandIn::pointAt(QStringLiteral("http://127.0.0.1:9"));
    window.command(IDC_DIRECTORY);
    gone = window.findChild<CDirectoryDlg*>();
    ASSERT_FALSE(gone.isNull());
    search(*gone, QStringLiteral("jazz"));
    EXPECT_EQ(gone->statusText(), QStringLiteral("No connection to the directory"));
    gone->command(IDOK);
    ASSERT_TRUE(spinUntil(closed, 2000));

    // The program ends during a search that never ends: at once, the dialog with it.
    StandIn::pointAt(standIn.url());
    window.command(IDC_DIRECTORY);
    gone = window.findChild<CDirectoryDlg*>();
    ASSERT_FALSE(gone.isNull());
    qobject_cast<QLineEdit*>(gone->control(IDC_DIR_NAME))->setText(QStringLiteral("silent"));
    gone->command(IDC_DIR_SEARCH);
    took.restart();
    window.command(IDOK);
    EXPECT_TRUE(spinUntil(closed, 2000));
    EXPECT_LT(took.elapsed(), 1500);
}
