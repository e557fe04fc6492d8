#include "stream/curlthread.h"
#include "stream/streamengine.h"
#include "stream/transferend.h"
#include "tests/support/apprig.h"
#include "tests/support/fakewindow.h"

#include <gtest/gtest.h>

TEST(TransferEnd, MessagesOfEachReason)
{
    const QByteArray url = "http://127.0.0.1:8000/x";
    struct Row {
        int reason;
        std::uint32_t language;
        const char16_t* before;
        const char16_t* box;
        const char16_t* after;
        bool invalid;
    };
    const Row rows[] = {
        {EndStopped, 1033, u"\n", u"", u"", false},
        {EndNoData, 1036, u"Aucune donnée reçue de \"http://127.0.0.1:8000/x\"\n",
         u"Aucune donnée reçue de \"http://127.0.0.1:8000/x\"\n", u"", true},
        {EndHlsPlaylist, 1031, u"", u"Ein \"Extended mp4a\" Stream kann nicht geöffnet werden",
         u"\nSorry, \"http://127.0.0.1:8000/x\" is an Extended mp4a stream...\n", true},
        {EndConnectionClosed, 1033,
         u"Internet connection closed with \"http://127.0.0.1:8000/x\"\n",
         u"Internet connection closed with \"http://127.0.0.1:8000/x\"\n", u"", false},
        {EndAborting, 1033, u"\nAborting\n", u"", u"", false},
        {EndNoResponse, 1031, u"", u"Keine Antwort von \"http://127.0.0.1:8000/x\"\n",
         u"Keine Antwort von \"http://127.0.0.1:8000/x\"\n", true},
        {EndCurlError, 1033, u"", u"Timeout was reached:\nCheck your network access",
         u"Timeout was reached:\nCheck your network access\n", false},
        {EndNotResolved, 1033, u"", u"", u"", false},
        {EndFailed, 1033, u"", u"", u"", true},
        {EndWriteAbort, 1033, u"", u"", u"", true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.reason);
        const bool invalidIn =
            r.reason == EndNoData || r.reason == EndFailed || r.reason == EndWriteAbort;
        const TransferEndReport rep =
            transferEndReport(r.reason, invalidIn, false, url, "Timeout was reached", r.language);
        EXPECT_EQ(rep.paneBefore, QString::fromUtf16(r.before));
        EXPECT_EQ(rep.box, QString::fromUtf16(r.box));
        EXPECT_EQ(rep.paneAfter, QString::fromUtf16(r.after));
        EXPECT_EQ(rep.markInvalid, r.invalid);
    }
    // A stop that marked the station shows no empty line.
    EXPECT_EQ(transferEndReport(EndStopped, true, false, url, {}, 1033).paneBefore, QString());
}

// A station that played and then stalled is told about as before but keeps its name; one
// that never delivered audio is still marked.
TEST(TransferEnd, StallAfterPlayingDoesNotMarkTheStation)
{
    FakeWindow window;
    AppRig rig(window);
    CKestrelwaveApp& app = rig.app;
    CCurlThread& curl = app.engine->curl;
    const QString url = QStringLiteral("http://127.0.0.1:9/jazz");
    for (const bool played : {true, false}) {
        SCOPED_TRACE(played);
        app.stations.assign({{QStringLiteral("Jazz FM"), url, 0, QStringLiteral("mp3_128k")}});
        rig.boxes.clear();
        curl.stationUrl = url;
        curl.urlUtf8 = url.toUtf8();
        curl.endReason = EndNoResponse;
        curl.markInvalid = false;
        curl.playerStarted = played;
        app.engine->control.onTransferEnd();
        const QString text = QStringLiteral("No response from \"") + url + QStringLiteral("\"\n");
        ASSERT_EQ(rig.boxes.boxes().size(), 1u);
        EXPECT_EQ(rig.boxes.boxes()[0].text, text);
        EXPECT_TRUE(window.paneText().endsWith(text));
        EXPECT_EQ(app.stations.name(0),
                  played ? QStringLiteral("Jazz FM") : QStringLiteral("INVALID"));
    }
    curl.stationUrl.clear();
    curl.playerStarted = false;
}
