#include "app/cutil.h"
#include "app/kestrelwaveapp.h"
#include "app/texts.h"
#include "platform/folders.h"
#include "platform/language.h"
#include "platform/registrystore.h"

#include <QFile>
#include <QFileInfo>

namespace {

const QString kSampleList = QStringLiteral("Kestrelwave_example.txt");
const QString kVlcDownload = QStringLiteral("\"https://www.videolan.org/vlc/\"");

// The installed help pages and sample list.
QString installedDataFolder(const QString& programFolder)
{
    return installedShareFolder(programFolder) + QStringLiteral("/kestrelwave");
}

} // namespace

#ifndef KESTREL_SHARE_FROM_BIN
#define KESTREL_SHARE_FROM_BIN "../share"
#endif

QString installedShareFolder(const QString& programFolder)
{
    return programFolder + QStringLiteral("/" KESTREL_SHARE_FROM_BIN);
}

StartupEnvironment StartupEnvironment::fromSystem(int argc, char** argv)
{
    StartupEnvironment env;
    env.programFolder = platform::programFolder();
    env.musicFolder = platform::musicFolder();
    env.systemLanguage = platform::userDefaultUiLanguage();
    env.versionText = platform::versionText();
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    env.commandLine = args.join(u' ');
    env.findOnPath = platform::findExecutable;
    return env;
}

bool CKestrelwaveApp::InitInstance(const StartupEnvironment& env)
{
    versionText = env.versionText;
    programFolder = env.programFolder;

    setLanguage(env.systemLanguage);
    if (const std::optional<std::uint32_t> override = registry_.readLanguage())
        setLanguage(*override);
    // Before the first box: its buttons speak the program's language too.
    texts::installQtTranslations(language_);
    if (const std::optional<QString> stored = registry_.readPlayer())
        storedPlayer = *stored;

    if (!discoverPlayer(env))
        return false;
    if (!prepareDataFolder(env))
        return false;
    installSampleList();
    findHelpFile();
    takeCommandLine(env.commandLine);
    return true;
}

bool CKestrelwaveApp::discoverPlayer(const StartupEnvironment& env)
{
    QString beside = programFolder + QStringLiteral("/ffplay");
    const auto find = [&](const QString& name) {
        return env.findOnPath ? env.findOnPath(name) : QString();
    };
    QString path;
    if (CUtil::FileSize(beside) > 0)
        path = beside;
    else
        path = find(QStringLiteral("ffplay"));
    if (!path.isEmpty()) {
        playerPath = platform::canonicalPath(path);
        playerName = QStringLiteral("ffplay");
        registry_.writePlayer(playerName);
        status.useFfplay = 1;
        return true;
    }
    // Counterpart of VLC's App Paths entry: the console launcher, else vlc itself.
    path = find(QStringLiteral("cvlc"));
    if (path.isEmpty())
        path = find(QStringLiteral("vlc"));
    if (!path.isEmpty()) {
        playerPath = platform::canonicalPath(path);
        playerName = QStringLiteral("vlc");
        registry_.writePlayer(playerName);
        status.useVlc = 1;
        return true;
    }
    const QString message =
        texts::choose(
            language_,
            {u"Neither \"VLC.exe\" nor \"ffplay.exe\" are present on your system.\n",
             u"Ni \"VLC.exe\" ni \"ffplay.exe\" ne sont présents sur votre système.\n",
             u"Weder \"VLC.exe\" noch \"ffplay.exe\" sind auf Ihrem System vorhanden.\n"}) +
        texts::choose(language_,
                      {u"Install the \"VLC\" Multimedia-Player application (%s),\n",
                       u"Installez le lecteur multimedia \"VLC\"  (%s),\n",
                       u"Installieren Sie den Multimedia-Player \"VLC\" (%s),\n"},
                      kVlcDownload) +
        texts::choose(
            language_,
            {u"or install \"ffplay.exe\" in the same directory as the application (see "
             u"documentation).\n",
             u"ou installez \"ffplay.exe\" dans le même répertoire que l'application (voir "
             u"documentation).\n",
             u"oder installieren Sie \"ffplay.exe\" im selben Verzeichnis wie die Anwendung "
             u"(siehe Dokumentation).\n"});
    boxes_.show(message, BoxIcon::Information);
    return false;
}

bool CKestrelwaveApp::prepareDataFolder(const StartupEnvironment& env)
{
    musicFolder = env.musicFolder;
    if (musicFolder.isEmpty()) {
        boxes_.show(
            texts::choose(language_, {u"Could not access to your \"Music\" folder",
                                      u"Impossible d'accéder à votre répertoire \"Musique\"",
                                      u"Zugriff auf den Ordner \"Musik\" nicht möglich"}),
            BoxIcon::Error);
        return false;
    }
    dataFolder = platform::canonicalPath(musicFolder + QStringLiteral("/Kestrelwave"));
    QString probe = dataFolder;
    if (CUtil::IsDirectory(probe))
        return true;
    if (platform::createDirectory(dataFolder)) {
        boxes_.show(texts::choose(language_,
                                  {u"The directory \"Kestrelwave\" has been created inside your "
                                   u"\"Music\" folder",
                                   u"Le sous-réperoire \"Kestrelwave\" a été créé dans votre "
                                   u"réprertoire \"Musique\"",
                                   u"Das Unterverzeichnis \"Kestrelwave\" wurde in Ihrem \"Music\" "
                                   u"Verzeichnis angelegt"}),
                    language_ == texts::kGerman || language_ == texts::kFrench
                        ? BoxIcon::Error
                        : BoxIcon::Information);
        return true;
    }
    boxes_.show(
        texts::choose(language_,
                      {u"Could not create the \"Kestrelwave\" directory inside your \"Music\" "
                       u"folder",
                       u"Impossible de créer le sous-réperoire \"Kestrelwave\" dans votre "
                       u"réprertoire \"Musique\"",
                       u"Estellen des Unterverzeichnisses \"Kestrelwave\" in Ihrem \"Music\" "
                       u"Verzeichnis nicht möglich"}),
        BoxIcon::Error);
    return false;
}

void CKestrelwaveApp::installSampleList()
{
    // The very first start shows a list; a user's own file of that name stays untouched.
    const QString target = dataFolder + u'/' + kSampleList;
    if (QFile::exists(target))
        return;
    // An installed copy may have been adapted for the site; the built-in one always exists.
    QString source = installedDataFolder(programFolder) + u'/' + kSampleList;
    if (CUtil::FileSize(source) <= 0)
        source = QStringLiteral(":/") + kSampleList;
    if (QFile::copy(source, target))
        QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                          QFile::ReadOther);
}

void CKestrelwaveApp::findHelpFile()
{
    const QString base = language_ == texts::kGerman   ? QStringLiteral("/Kestrelwave_De")
                         : language_ == texts::kFrench ? QStringLiteral("/Kestrelwave_Fr")
                                                       : QStringLiteral("/Kestrelwave_En");
    helpPath.clear();
    for (const QString& folder : {programFolder, QString(programFolder + QStringLiteral("/../Doc")),
                                  installedDataFolder(programFolder)}) {
        for (const QString& ext : {QStringLiteral(".html"), QStringLiteral(".chm")}) {
            QString candidate = folder + base + ext;
            if (CUtil::FileSize(candidate) > 0) {
                helpPath = candidate;
                return;
            }
        }
    }
    boxes_.show(texts::choose(language_, {u"Could not find Help File...",
                                          u"Impossible de trouver le fichier d'aide...", nullptr}),
                BoxIcon::None);
}

void CKestrelwaveApp::takeCommandLine(const QString& commandLine)
{
    QString path = commandLine;
    if (path.startsWith(u'"'))
        path.remove(0, 1);
    if (path.endsWith(u'"'))
        path.chop(1);
    if (path.isEmpty())
        return;
    const qsizetype dot = path.lastIndexOf(u'.');
    const QStringView extension = dot >= 0 ? QStringView(path).sliced(dot + 1) : QStringView(path);
    // Made absolute: the path is stored in the settings file and read back next time.
    if (CUtil::ContainsNoCase(extension, u"txt") >= 0)
        commandLineList = platform::canonicalPath(QFileInfo(path).absoluteFilePath());
}
