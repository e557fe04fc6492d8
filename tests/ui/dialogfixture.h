#pragma once

#include "app/kestrelwaveapp.h"
#include "platform/registrystore.h"
#include "tests/support/scriptedmessageboxes.h"
#include "ui/filedialogs.h"
#include "ui/kestrelwavedlg.h"

#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <memory>

// File dialogs that return scripted choices (empty: the user cancelled).
class ScriptedFileDialogs : public FileDialogs {
public:
    QString openListFile(QWidget*, const QString& suggested) override;
    QString saveListFile(QWidget*, const QString& suggested) override;
    QStringList openChoices, saveChoices;
    QStringList suggestions;
};

// A data folder of its own, a registry file, scripted boxes and dialogs, the application
// started as the program starts, and the main dialog on the offscreen screen.
struct DialogFixture {
    explicit DialogFixture(std::uint32_t language = 1033,
                           const std::function<void(const QString& dataFolder)>& prepare = {});
    ~DialogFixture();

    // Writes a list file into the data folder and returns its path.
    QString writeList(const QString& fileName, const QByteArray& bytes) const;
    // Opens the dialog (constructed on first call).
    CKestrelwaveDlg& dialog();

    QTemporaryDir dir;
    QString dataFolder;
    std::unique_ptr<platform::RegistryStore> registry;
    std::unique_ptr<ScriptedMessageBoxes> boxes;
    std::unique_ptr<CKestrelwaveApp> app;
    ScriptedFileDialogs files;
    std::unique_ptr<CKestrelwaveDlg> dlg;
};

// Runs f once the next modal dialog is open, then closes that dialog.
void whenModalOpens(const std::function<void(QWidget* modal)>& f);
