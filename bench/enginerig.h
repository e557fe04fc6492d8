#pragma once

#include "app/kestrelwaveapp.h"
#include "app/messages.h"
#include "platform/folders.h"
#include "platform/registrystore.h"
#include "stream/streamengine.h"
#include "tests/support/fakewindow.h"
#include "tests/support/scriptedmessageboxes.h"

#include <QTemporaryDir>
#include <memory>

// The engine with the real ffplay, the fake window of the tests (handling the messages the
// real window handles, inline) and a scratch data folder: what the play benches drive.
struct EngineRig {
    EngineRig()
        : registry(dir.filePath(QStringLiteral("registry.ini"))), boxes(&registry),
          app(std::make_unique<CKestrelwaveApp>(boxes, registry))
    {
        app->dataFolder = dir.path();
        app->iniPath = dir.filePath(QStringLiteral("Kestrelwave.ini"));
        app->playerPath = platform::findExecutable(QStringLiteral("ffplay"));
        app->status.useFfplay = 1;
        app->setWindow(&window);
        window.handleAsTheDialog(app->engine->control);
    }
    ~EngineRig() { app->setWindow(nullptr); }

    void play(const QString& url)
    {
        window.urlField = url;
        app->engine->control.Play();
    }
    void stop()
    {
        app->engine->control.Stop();
        app->engine->curl.waitForEnd(5000);
    }

    QTemporaryDir dir;
    platform::RegistryStore registry;
    ScriptedMessageBoxes boxes;
    FakeWindow window;
    std::unique_ptr<CKestrelwaveApp> app;
};
