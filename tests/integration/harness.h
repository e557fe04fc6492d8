#pragma once

#include "app/kestrelwaveapp.h"
#include "platform/registrystore.h"
#include "stream/streamengine.h"
#include "tests/support/fakewindow.h"
#include "tests/support/scriptedmessageboxes.h"

#include <QTemporaryDir>
#include <functional>
#include <memory>

// The stream engine with a fake window that handles WM_APP+2 and WM_APP+4 as the dialog
// does, a temporary data folder, and a player of the test's choosing.
struct EngineHarness {
    explicit EngineHarness(const QString& player = QStringLiteral("ffplay"));
    ~EngineHarness();

    void play(const QString& url);
    void stop();
    // Polls pred every 20 ms for at most ms.
    bool waitFor(const std::function<bool()>& pred, int ms);
    bool paneContains(const QString& text) const;
    bool transferEnded() const;
    bool hasBox(const QString& text) const;
    QByteArray captured() const;

    StreamEngine& engine() { return *app->engine; }

    QTemporaryDir dir;
    QString captureFile;
    std::unique_ptr<platform::RegistryStore> registry;
    std::unique_ptr<ScriptedMessageBoxes> boxes;
    std::unique_ptr<CKestrelwaveApp> app;
    FakeWindow window;
};

// Bytes covered by back-to-back MPEG audio layer III frames from the start of data.
qsizetype mp3FrameWalk(const QByteArray& data);
