#include "app/controlids.h"
#include "app/kestrelwaveapp.h"
#include "scan/autoscan.h"
#include "tests/integration/station.h"
#include "tests/integration/windowrig.h"
#include "tests/support/spin.h"
#include "ui/auxdlg.h"
#include "ui/kestrelwavedlg.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

void grepPage(CAuxDlg& d, const QString& url)
{
    qobject_cast<QLineEdit*>(d.control(ids::IDC_GREP_ADDRESS))->setText(url);
    d.command(ids::IDC_GREP_URLS);
}

} // namespace

// The Grep Tool against pages served on this machine: a server that never answers is given
// up at once with Cancel, which gives the old list back; redirected, failing, oversized and
// second pages; then the found links become the list and are scanned.
TEST(Window, GrepToolTurnsAPagesLinksIntoAScannedList)
{
    if (!TestStation::up())
        GTEST_FAIL() << "the local test station did not start";
    const QString mine = TestStation::icecast(QStringLiteral("/tone.mp3"));
    WindowRig rig("\nMine\nMy tone\t" + mine.toUtf8() + "\n");
    ASSERT_TRUE(rig.started);
    CKestrelwaveApp& app = *rig.app;
    CKestrelwaveDlg& dlg = rig.open();
    rig.boxes->clear();

    qint64 cancelTook = -1;
    dlg.runGrepDialog = [&](CAuxDlg& d) {
        d.show();
        QTimer::singleShot(500, &d, [&] {
            EXPECT_TRUE(d.fetching());
            QElapsedTimer t;
            t.start();
            d.command(ids::IDCANCEL);
            cancelTook = t.elapsed();
        });
        grepPage(d, TestStation::fake(QStringLiteral("/silent")));
        return d.result();
    };
    dlg.command(ids::IDC_GREP_TOOL);
    EXPECT_GE(cancelTook, 0);
    EXPECT_LT(cancelTook, 1500);
    ASSERT_EQ(app.stations.count(), 2); // Cancel: the list as it was
    EXPECT_EQ(app.stations.url(1), mine);
    EXPECT_EQ(app.stations.name(1), QStringLiteral("My tone"));

    QString output;
    dlg.runGrepDialog = [&](CAuxDlg& d) {
        d.show();
        grepPage(d, TestStation::fake(QStringLiteral("/to-page")));
        grepPage(d, TestStation::fake(QStringLiteral("/page2")));
        grepPage(d, TestStation::fake(QStringLiteral("/missing-page")));
        grepPage(d, TestStation::fake(QStringLiteral("/huge")));
        output = d.outputText();
        d.command(ids::IDC_GREP_PERFORM);
        return d.result();
    };
    dlg.command(ids::IDC_GREP_TOOL);

    const QString base = TestStation::fake(QString());
    const QStringList links = {base + QStringLiteral("/live/g1"), base + QStringLiteral("/live/g2"),
                               base + QStringLiteral("/m3u"),
                               QStringLiteral("http://127.0.0.1:9/deadstream"),
                               base + QStringLiteral("/live/g3")};
    const QString expected =
        QStringLiteral("Opening web page %1/to-page\n\nPlease Wait...\n\nWep Page opened OK\n\n"
                       "grepping audio links inside %1/to-page\n%2\n%3\n%4\n%5\n"
                       "\nFound 4 links\n\nDone\n"
                       "Opening web page %1/page2\n\nPlease Wait...\n\nWep Page opened OK\n\n"
                       "grepping audio links inside %1/page2\n%6\n\nFound 1 links\n\nDone\n")
            .arg(base, links[0], links[1], links[2], links[3], links[4]);
    EXPECT_TRUE(output.startsWith(expected)) << output.toStdString();
    const QString failed404 = QStringLiteral("curl failed : HTTP response code said error");
    const QString tooLarge = QStringLiteral("curl failed : page larger than 64 MiB");
    EXPECT_TRUE(output.contains(failed404 + QStringLiteral("\ngrepping audio links inside ") +
                                base + QStringLiteral("/missing-page\nDone\n")))
        << output.toStdString();
    EXPECT_TRUE(output.endsWith(tooLarge + QStringLiteral("\ngrepping audio links inside ") + base +
                                QStringLiteral("/huge\nDone\n")))
        << output.toStdString();
    EXPECT_EQ(rig.boxes->texts().mid(0, 2), (QStringList{failed404, tooLarge}));
    EXPECT_EQ(app.foundLinks.links(), links);

    // The links are the list now, scanned without a question.
    ASSERT_EQ(app.stations.count(), 5);
    EXPECT_TRUE(app.status.autoScanRunning);
    const QString endBox = QStringLiteral("Auto-scan terminated");
    ASSERT_TRUE(spinUntil([&] { return rig.boxes->texts().contains(endBox); }, 30000));
    for (int i : {0, 1, 2, 4})
        EXPECT_EQ(app.stations.name(i), QStringLiteral("Fake Station")) << i;
    EXPECT_EQ(app.stations.name(3), QStringLiteral("INVALID"));
    for (const auto& box : rig.boxes->boxes())
        EXPECT_NE(box.kind, ScriptedMessageBoxes::Kind::Question) << box.text.toStdString();
    dlg.command(ids::IDOK);
}
