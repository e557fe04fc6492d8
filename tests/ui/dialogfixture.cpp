#include "tests/ui/dialogfixture.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTimer>

QString ScriptedFileDialogs::openListFile(QWidget*, const QString& suggested)
{
    suggestions << suggested;
    return openChoices.isEmpty() ? QString() : openChoices.takeFirst();
}

QString ScriptedFileDialogs::saveListFile(QWidget*, const QString& suggested)
{
    suggestions << suggested;
    return saveChoices.isEmpty() ? QString() : saveChoices.takeFirst();
}

DialogFixture::DialogFixture(std::uint32_t language,
                             const std::function<void(const QString&)>& prepare)
{
    QDir(dir.path()).mkpath(QStringLiteral("Music/Kestrelwave"));
    QDir(dir.path()).mkpath(QStringLiteral("program"));
    dataFolder = dir.path() + QStringLiteral("/Music/Kestrelwave");
    QFile ffplay(dir.path() + QStringLiteral("/program/ffplay"));
    ffplay.open(QIODevice::WriteOnly);
    ffplay.write("#!/bin/sh\n");
    ffplay.close();
    QFile help(dir.path() + QStringLiteral("/program/Kestrelwave_En.html"));
    help.open(QIODevice::WriteOnly);
    help.write("<html></html>");
    help.close();
    if (prepare)
        prepare(dataFolder);

    registry =
        std::make_unique<platform::RegistryStore>(dir.path() + QStringLiteral("/registry.ini"));
    boxes = std::make_unique<ScriptedMessageBoxes>(registry.get());
    app = std::make_unique<CKestrelwaveApp>(*boxes, *registry);
    StartupEnvironment env;
    env.programFolder = dir.path() + QStringLiteral("/program");
    env.musicFolder = dir.path() + QStringLiteral("/Music");
    env.systemLanguage = language;
    env.versionText = QStringLiteral("2.1.0");
    env.findOnPath = [](const QString&) { return QString(); };
    app->InitInstance(env);
}

DialogFixture::~DialogFixture()
{
    dlg.reset();
}

QString DialogFixture::writeList(const QString& fileName, const QByteArray& bytes) const
{
    const QString path = dataFolder + u'/' + fileName;
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    return path;
}

CKestrelwaveDlg& DialogFixture::dialog()
{
    if (!dlg) {
        dlg = std::make_unique<CKestrelwaveDlg>(*app, files);
        dlg->openExternal = [](const QString&) { return true; };
        dlg->show();
        QCoreApplication::processEvents();
    }
    return *dlg;
}

void whenModalOpens(const std::function<void(QWidget*)>& f)
{
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, f] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        poll->stop();
        poll->deleteLater();
        f(modal);
        modal->close();
    });
    poll->start(10);
}
