#include "tests/integration/harness.h"

#include "app/messages.h"
#include "platform/clock.h"
#include "platform/folders.h"

#include <QFile>
#include <QThread>

EngineHarness::EngineHarness(const QString& player)
{
    registry =
        std::make_unique<platform::RegistryStore>(dir.path() + QStringLiteral("/registry.ini"));
    boxes = std::make_unique<ScriptedMessageBoxes>(registry.get());
    app = std::make_unique<CKestrelwaveApp>(*boxes, *registry);
    app->dataFolder = dir.path();
    app->iniPath = dir.path() + QStringLiteral("/Kestrelwave.ini");
    app->status.useFfplay = 1;
    if (player == u"ffplay") {
        app->playerPath = platform::findExecutable(QStringLiteral("ffplay"));
    } else {
        app->playerPath = QStringLiteral(KESTREL_SOURCE_DIR "/tests/support/") + player;
    }
    captureFile = dir.path() + QStringLiteral("/captured.bin");
    qputenv("KW_CAPTURE_FILE", captureFile.toLocal8Bit());
    app->setWindow(&window);
    window.handleAsTheDialog(app->engine->control);
}

EngineHarness::~EngineHarness()
{
    if (app->status.playing)
        stop();
    app->engine->curl.stopRequested = true;
    app->engine->curl.waitForEnd(5000);
    app->setWindow(nullptr);
}

void EngineHarness::play(const QString& url)
{
    window.urlField = url;
    app->engine->control.Play();
}

void EngineHarness::stop()
{
    app->engine->control.Stop();
    app->engine->curl.waitForEnd(5000);
}

bool EngineHarness::waitFor(const std::function<bool()>& pred, int ms)
{
    const std::uint32_t begin = platform::tickCount();
    while (!pred()) {
        if (platform::tickCount() - begin > std::uint32_t(ms))
            return false;
        QThread::msleep(20);
    }
    return true;
}

bool EngineHarness::paneContains(const QString& text) const
{
    return window.paneText().contains(text);
}

bool EngineHarness::transferEnded() const
{
    for (const auto& m : window.messages()) {
        if (m.first == msg::WM_APP_TRANSFER_END)
            return true;
    }
    return false;
}

bool EngineHarness::hasBox(const QString& text) const
{
    return boxes->texts().contains(text);
}

QByteArray EngineHarness::captured() const
{
    // The stand-in player creates the file only once it runs.
    QFile f(captureFile);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

qsizetype mp3FrameWalk(const QByteArray& d)
{
    static const int rates1[16] = {0,   32,  40,  48,  56,  64,  80,  96,
                                   112, 128, 160, 192, 224, 256, 320, 0};
    static const int hz1[4] = {44100, 48000, 32000, 0};
    qsizetype p = 0;
    while (p + 4 <= d.size()) {
        const uchar b1 = uchar(d[p + 1]), b2 = uchar(d[p + 2]);
        if (uchar(d[p]) != 0xFF || (b1 & 0xFE) != 0xFA) // MPEG-1 layer III
            break;
        const int br = rates1[b2 >> 4], hz = hz1[(b2 >> 2) & 3];
        if (!br || !hz)
            break;
        const qsizetype length = 144000 * br / hz + ((b2 >> 1) & 1);
        if (p + length > d.size())
            break;
        p += length;
    }
    return p;
}
