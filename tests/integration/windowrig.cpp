#include "tests/integration/windowrig.h"

#include "app/controlids.h"
#include "platform/folders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>

WindowRig::WindowRig(const QByteArray& listText)
{
    QDir(dir.path()).mkpath(QStringLiteral("Music/Kestrelwave"));
    listPath = dir.path() + QStringLiteral("/Music/Kestrelwave/local.txt");
    QFile list(listPath);
    if (list.open(QIODevice::WriteOnly))
        list.write(listText);
    list.close();

    registry =
        std::make_unique<platform::RegistryStore>(dir.path() + QStringLiteral("/registry.ini"));
    boxes = std::make_unique<ScriptedMessageBoxes>(registry.get());
    app = std::make_unique<CKestrelwaveApp>(*boxes, *registry);
    StartupEnvironment env;
    env.programFolder = QCoreApplication::applicationDirPath();
    env.musicFolder = dir.path() + QStringLiteral("/Music");
    env.versionText = QStringLiteral("2.1.0");
    env.findOnPath = platform::findExecutable;
    env.commandLine = listPath;
    started = app->InitInstance(env);
    files = std::make_unique<NoFileDialogs>();
}

WindowRig::~WindowRig()
{
    dlg.reset();
}

CKestrelwaveDlg& WindowRig::open()
{
    if (!dlg) {
        dlg = std::make_unique<CKestrelwaveDlg>(*app, *files);
        dlg->show();
        QCoreApplication::processEvents();
    }
    return *dlg;
}

void WindowRig::useCapturePlayer(const QString& captureFile)
{
    qputenv("KW_CAPTURE_FILE", captureFile.toLocal8Bit());
    app->playerPath = QStringLiteral(KESTREL_SOURCE_DIR "/tests/support/capture-player.sh");
}

void WindowRig::play(const QString& url)
{
    qobject_cast<QLineEdit*>(open().control(ids::IDC_URL))->setText(url);
    open().command(ids::IDC_PLAY);
}
