#include "app/kestrelwaveapp.h"
#include "platform/registrystore.h"
#include "tests/support/scriptedmessageboxes.h"

#include <QTemporaryDir>
#include "tests/support/printers.h"

#include <gtest/gtest.h>
#include <memory>
#include <ostream>

using namespace Qt::StringLiterals;

namespace {

using Kind = ScriptedMessageBoxes::Kind;

class Notices : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

    // One program run: a fresh application on the same registry file, with the player
    // chosen now, the one stored at the last run and the version.
    CKestrelwaveApp& run(const QString& player, const QString& stored,
                         const QString& version = u"2.1.0"_s, std::uint32_t language = 1033)
    {
        app.reset();
        registry = std::make_unique<platform::RegistryStore>(dir_.filePath(u"registry.ini"_s));
        boxes = std::make_unique<ScriptedMessageBoxes>(registry.get());
        app = std::make_unique<CKestrelwaveApp>(*boxes, *registry);
        app->setLanguage(language);
        app->versionText = version;
        app->playerName = player;
        app->storedPlayer = stored;
        app->status.useFfplay = player == u"ffplay"_s ? 1 : 0;
        app->status.useVlc = player == u"vlc"_s ? 1 : 0;
        return *app;
    }

    QTemporaryDir dir_;
    std::unique_ptr<platform::RegistryStore> registry;
    std::unique_ptr<ScriptedMessageBoxes> boxes;
    std::unique_ptr<CKestrelwaveApp> app;
};

TEST_F(Notices, ShowErrorPrefixesInTheLanguageUnlessUnattended)
{
    const struct {
        std::uint32_t lang;
        QString shown;
    } rows[] = {
        {1033, u"Error: stream lost"_s},  {1036, u"Erreur: stream lost"_s},
        {1031, u"Felher: stream lost"_s}, {2057, u"Error: stream lost"_s},
        {2055, u"Error: stream lost"_s},  {3084, u"Error: stream lost"_s},
    };
    for (const auto& r : rows) {
        CKestrelwaveApp& a = run({}, {}, u"2.1.0"_s, r.lang);
        a.ShowError(u"stream lost"_s);
        ASSERT_EQ(boxes->boxes().size(), 1u);
        EXPECT_EQ(boxes->boxes()[0].kind, Kind::Show);
        EXPECT_EQ(boxes->boxes()[0].text, r.shown);
        EXPECT_EQ(boxes->boxes()[0].icon, BoxIcon::None);
    }

    CKestrelwaveApp& a = run({}, {});
    a.ShowError(QByteArrayView("Caf\xE9 down"));
    a.ShowError(QByteArrayView("Caf\xC3\xA9 down"));
    EXPECT_EQ(boxes->texts(), (QStringList{u"Error: Café down"_s, u"Error: Café down"_s}));

    boxes->clear();
    a.status.autoScanRunning = 1;
    a.ShowError(u"during the scan"_s);
    a.ShowError(QByteArrayView("during the scan"));
    a.status.autoScanRunning = 0;
    a.webSearchActive = true;
    a.ShowError(u"during the web search"_s);
    a.webSearchActive = false;
    EXPECT_TRUE(boxes->boxes().empty());
    a.ShowError(u"afterwards"_s);
    EXPECT_EQ(boxes->texts(), QStringList{u"Error: afterwards"_s});
}

TEST_F(Notices, PlayerNoticeNamesThePlayerAndTheVersion)
{
    const struct {
        QString player;
        std::uint32_t lang;
        QString text;
    } rows[] = {
        {u"ffplay"_s, 1033, u"Using FFplay"_s},     {u"ffplay"_s, 1036, u"Utilisation de FFplay"_s},
        {u"ffplay"_s, 1031, u"FFplay verwenden"_s}, {u"vlc"_s, 1033, u"Using VLC"_s},
        {u"vlc"_s, 1036, u"Utilisation de VLC"_s},  {u"vlc"_s, 1031, u"VLC verwenden"_s},
    };
    for (const auto& r : rows) {
        run(r.player, r.player, u"2.1.0"_s, r.lang).ShowPlayerNotice();
        ASSERT_EQ(boxes->boxes().size(), 1u);
        const ScriptedMessageBoxes::Box& b = boxes->boxes()[0];
        EXPECT_EQ(b.kind, Kind::Silenceable);
        EXPECT_EQ(b.text, r.text);
        EXPECT_EQ(b.caption, u"Player"_s);
        EXPECT_EQ(b.icon, BoxIcon::Information);
        EXPECT_EQ(b.valueName, u"Kestrelwave_2.1.0"_s);
        EXPECT_EQ(app->PlayerText(), r.text);
    }
    // No player chosen: no text, no notice.
    run({}, {}).ShowPlayerNotice();
    app->ShowTimedNotice(app->PlayerText());
    EXPECT_TRUE(boxes->boxes().empty());
}

TEST_F(Notices, SilencedNoticeComesBackForANewPlayerOrVersion)
{
    // Each step is one run: the player now, the one stored before, the version, whether
    // the user ticks "do not show again", and whether the notice appears.
    const struct {
        QString player, stored, version;
        bool tick;
        bool shown;
    } steps[] = {
        {u"ffplay"_s, {}, u"2.1.0"_s, false, true},
        {u"ffplay"_s, u"ffplay"_s, u"2.1.0"_s, true, true},
        {u"ffplay"_s, u"ffplay"_s, u"2.1.0"_s, false, false},
        {u"ffplay"_s, u"ffplay"_s, u"2.1.0"_s, false, false},
        // ffplay.exe removed: VLC is chosen and the notice is back.
        {u"vlc"_s, u"ffplay"_s, u"2.1.0"_s, true, true},
        {u"vlc"_s, u"vlc"_s, u"2.1.0"_s, false, false},
        // A new version asks again under its own name.
        {u"vlc"_s, u"vlc"_s, u"2.2.0"_s, true, true},
        {u"vlc"_s, u"vlc"_s, u"2.2.0"_s, false, false},
        // The old version's choice is still kept.
        {u"vlc"_s, u"vlc"_s, u"2.1.0"_s, false, false},
    };
    int n = 0;
    for (const auto& s : steps) {
        ++n;
        CKestrelwaveApp& a = run(s.player, s.stored, s.version);
        if (s.tick)
            boxes->tickSilenceOnNext();
        a.ShowPlayerNotice();
        EXPECT_EQ(boxes->boxes().size(), s.shown ? 1u : 0u) << "run " << n;
        if (s.shown) {
            EXPECT_EQ(boxes->boxes()[0].valueName, u"Kestrelwave_"_s + s.version) << "run " << n;
        }
        // Within one run a silenced notice stays silent. (A changed player clears the
        // choice at every call; the window asks only once per start.)
        if (s.tick && s.player == s.stored) {
            a.ShowPlayerNotice();
            EXPECT_EQ(boxes->boxes().size(), 1u) << "run " << n;
        }
    }
}

TEST_F(Notices, TimedNoticeClosesAfterTwoSeconds)
{
    run(u"vlc"_s, u"vlc"_s).ShowTimedNotice(app->PlayerText());
    ASSERT_EQ(boxes->boxes().size(), 1u);
    const ScriptedMessageBoxes::Box& b = boxes->boxes()[0];
    EXPECT_EQ(b.kind, Kind::Timed);
    EXPECT_EQ(b.text, u"Using VLC"_s);
    EXPECT_EQ(b.caption, u"Player"_s);
    EXPECT_EQ(b.icon, BoxIcon::Information);
    EXPECT_EQ(b.timeoutMs, 2000);
}

} // namespace
