#pragma once

#include "app/kestrelwaveapp.h"
#include "platform/registrystore.h"
#include "tests/support/scriptedmessageboxes.h"
#include "ui/filedialogs.h"
#include "ui/kestrelwavedlg.h"

#include <QTemporaryDir>
#include <memory>

// The program as start-up makes it, on a list file written into a temporary Music folder,
// with scripted boxes and no file dialogs. The window opens with open().
struct WindowRig {
    explicit WindowRig(const QByteArray& listText);
    ~WindowRig();
    CKestrelwaveDlg& open();
    // Plays through the stand-in player, which keeps what it is given in captureFile.
    void useCapturePlayer(const QString& captureFile = QStringLiteral("/dev/null"));
    // Types url into the URL field and presses Play.
    void play(const QString& url);

    QTemporaryDir dir;
    QString listPath;
    std::unique_ptr<platform::RegistryStore> registry;
    std::unique_ptr<ScriptedMessageBoxes> boxes;
    std::unique_ptr<CKestrelwaveApp> app;
    bool started = false;
    std::unique_ptr<FileDialogs> files;
    std::unique_ptr<CKestrelwaveDlg> dlg;
};
