#pragma once

#include "app/kestrelwaveapp.h"
#include "platform/registrystore.h"
#include "tests/support/scriptedmessageboxes.h"

#include <QTemporaryDir>

// An application with scripted boxes, its registry and data folder in a temporary folder,
// and the given window, which is detached again before the application goes.
struct AppRig {
    explicit AppRig(MainWindowPort& window)
        : registry(dir.path() + QStringLiteral("/r.ini")), app(boxes, registry)
    {
        app.dataFolder = dir.path();
        app.setWindow(&window);
    }
    ~AppRig() { app.setWindow(nullptr); }

    QTemporaryDir dir;
    ScriptedMessageBoxes boxes;
    platform::RegistryStore registry;
    CKestrelwaveApp app;
};
