#include "app/kestrelwaveapp.h"
#include "platform/registrystore.h"
#include "tests/support/scriptedmessageboxes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QSettings>
#include <QTemporaryDir>
#include "tests/support/printers.h"

#include <gtest/gtest.h>
#include <memory>
#include <ostream>

using namespace Qt::StringLiterals;

namespace {

const QString kNoPlayerEn =
    u"Neither \"VLC.exe\" nor \"ffplay.exe\" are present on your system.\n"_s;
const QString kCreatedEn =
    u"The directory \"Kestrelwave\" has been created inside your \"Music\" folder"_s;
const QString kCreatedFr =
    u"Le sous-réperoire \"Kestrelwave\" a été créé dans votre réprertoire \"Musique\""_s;
const QString kCreatedDe =
    u"Das Unterverzeichnis \"Kestrelwave\" wurde in Ihrem \"Music\" Verzeichnis angelegt"_s;

// A program folder, a Doc folder beside it and a Music folder, all in a temporary tree,
// with a registry file of its own. Each start() is one program start.
class Startup : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(root_.isValid());
        root = root_.path();
        ASSERT_TRUE(QDir(root).mkpath(u"prog"_s));
        ASSERT_TRUE(QDir(root).mkpath(u"Doc"_s));
        ASSERT_TRUE(QDir(root).mkpath(u"music"_s));
        env.programFolder = root + u"/prog"_s;
        env.musicFolder = root + u"/music"_s;
        env.systemLanguage = 1033;
        env.versionText = u"2.1.0"_s;
        env.findOnPath = [this](const QString& name) { return onPath.value(name); };
    }

    QString regFile() const { return root + u"/registry.ini"_s; }

    void setRegistry(const QString& key, const QVariant& value)
    {
        QSettings s(regFile(), QSettings::IniFormat);
        s.setValue(key, value);
    }

    QVariant registryValue(const QString& key) const
    {
        return QSettings(regFile(), QSettings::IniFormat).value(key);
    }

    void touch(const QString& relative, qint64 size)
    {
        QFile f(root + u'/' + relative);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(QByteArray(size, 'x'));
    }

    bool start()
    {
        app.reset();
        registry = std::make_unique<platform::RegistryStore>(regFile());
        boxes = std::make_unique<ScriptedMessageBoxes>(registry.get());
        app = std::make_unique<CKestrelwaveApp>(*boxes, *registry);
        return app->InitInstance(env);
    }

    // A start at which player, data folder and help file are all present.
    void prepareUsualTree()
    {
        touch(u"prog/ffplay"_s, 100);
        touch(u"prog/Kestrelwave_En.html"_s, 10);
        ASSERT_TRUE(QDir(root).mkpath(u"music/Kestrelwave"_s));
    }

    QTemporaryDir root_;
    QString root;
    StartupEnvironment env;
    QMap<QString, QString> onPath;
    std::unique_ptr<platform::RegistryStore> registry;
    std::unique_ptr<ScriptedMessageBoxes> boxes;
    std::unique_ptr<CKestrelwaveApp> app;
};

TEST_F(Startup, ChoosesFfplayBesideTheProgramThenThePathThenVlc)
{
    const struct {
        const char* what;
        qint64 beside; // size of prog/ffplay, -1 when there is none
        QMap<QString, QString> path;
        QString player;
        QString playerPath; // "@" stands for the program folder
    } rows[] = {
        {"ffplay beside wins over VLC",
         100,
         {{u"cvlc"_s, u"/usr/bin/cvlc"_s}, {u"ffplay"_s, u"/usr/bin/ffplay"_s}},
         u"ffplay"_s,
         u"@/ffplay"_s},
        {"empty ffplay beside counts as absent",
         0,
         {{u"cvlc"_s, u"/usr/bin/cvlc"_s}},
         u"vlc"_s,
         u"/usr/bin/cvlc"_s},
        {"only cvlc on the path",
         -1,
         {{u"cvlc"_s, u"/usr/bin/../bin/cvlc"_s}},
         u"vlc"_s,
         u"/usr/bin/cvlc"_s},
        {"vlc when there is no cvlc",
         -1,
         {{u"vlc"_s, u"/opt/vlc/bin/vlc"_s}},
         u"vlc"_s,
         u"/opt/vlc/bin/vlc"_s},
        {"cvlc before vlc",
         -1,
         {{u"vlc"_s, u"/opt/vlc"_s}, {u"cvlc"_s, u"/usr/bin/cvlc"_s}},
         u"vlc"_s,
         u"/usr/bin/cvlc"_s},
        {"ffplay on the path before VLC",
         0,
         {{u"ffplay"_s, u"/usr/bin/ffplay"_s}, {u"cvlc"_s, u"/usr/bin/cvlc"_s}},
         u"ffplay"_s,
         u"/usr/bin/ffplay"_s},
    };
    for (const auto& r : rows) {
        QFile::remove(root + u"/prog/ffplay"_s);
        if (r.beside >= 0)
            touch(u"prog/ffplay"_s, r.beside);
        onPath = r.path;
        setRegistry(u"Player"_s, u"previous"_s);
        ASSERT_TRUE(start()) << r.what;
        EXPECT_EQ(app->storedPlayer, u"previous"_s) << r.what;
        EXPECT_EQ(app->playerName, r.player) << r.what;
        EXPECT_EQ(app->playerPath, QString(r.playerPath).replace(u"@"_s, env.programFolder))
            << r.what;
        EXPECT_EQ(app->status.useFfplay.load(), r.player == u"ffplay"_s ? 1 : 0) << r.what;
        EXPECT_EQ(app->status.useVlc.load(), r.player == u"vlc"_s ? 1 : 0) << r.what;
        EXPECT_EQ(registryValue(u"Player"_s).toString(), r.player) << r.what;
    }
}

TEST_F(Startup, WithoutAPlayerTheProgramEndsWithTheThreeLineMessage)
{
    const struct {
        std::uint32_t lang;
        QString line1, line2start, line3;
    } rows[] = {
        {1033, kNoPlayerEn, u"Install the \"VLC\" Multimedia-Player application (\""_s,
         u"or install \"ffplay.exe\" in the same directory as the application (see "
         u"documentation).\n"_s},
        {1036, u"Ni \"VLC.exe\" ni \"ffplay.exe\" ne sont présents sur votre système.\n"_s,
         u"Installez le lecteur multimedia \"VLC\"  (\""_s,
         u"ou installez \"ffplay.exe\" dans le même répertoire que l'application (voir "
         u"documentation).\n"_s},
        {1031, u"Weder \"VLC.exe\" noch \"ffplay.exe\" sind auf Ihrem System vorhanden.\n"_s,
         u"Installieren Sie den Multimedia-Player \"VLC\" (\""_s,
         u"oder installieren Sie \"ffplay.exe\" im selben Verzeichnis wie die Anwendung "
         u"(siehe Dokumentation).\n"_s},
    };
    touch(u"prog/ffplay"_s, 0);
    for (const auto& r : rows) {
        env.systemLanguage = r.lang;
        setRegistry(u"Player"_s, u"vlc"_s);
        EXPECT_FALSE(start());
        ASSERT_EQ(boxes->boxes().size(), 1u);
        const QString text = boxes->boxes()[0].text;
        EXPECT_EQ(boxes->boxes()[0].icon, BoxIcon::Information);
        QStringList lines = text.split(u'\n');
        ASSERT_EQ(lines.size(), 4) << text.toStdString(); // three lines, each with its "\n"
        EXPECT_EQ(lines[0] + u'\n', r.line1);
        EXPECT_TRUE(lines[1].startsWith(r.line2start)) << lines[1].toStdString();
        EXPECT_TRUE(lines[1].endsWith(u"\"),"_s)) << lines[1].toStdString();
        EXPECT_GT(lines[1].size(), r.line2start.size() + 4);
        EXPECT_EQ(lines[2] + u'\n', r.line3);
        EXPECT_EQ(lines[3], QString());
        EXPECT_EQ(app->playerName, QString());
        EXPECT_EQ(registryValue(u"Player"_s).toString(), u"vlc"_s);
        EXPECT_FALSE(QFileInfo::exists(root + u"/music/Kestrelwave"_s));
    }
}

TEST_F(Startup, LanguageOverrideFromTheRegistry)
{
    const struct {
        std::uint32_t system;
        int stored; // 0: no "Language" value
        std::uint32_t language;
        QString notice;
        BoxIcon icon;
    } rows[] = {
        {1033, 0, 1033, kCreatedEn, BoxIcon::Information},
        {1033, 1036, 1036, kCreatedFr, BoxIcon::Error},
        {1033, 1031, 1031, kCreatedDe, BoxIcon::Error},
        {1031, 0, 1031, kCreatedDe, BoxIcon::Error},
        {1036, 2055, 2055, kCreatedEn, BoxIcon::Information},
        {1031, 2057, 2057, kCreatedEn, BoxIcon::Information},
        {1033, 3084, 3084, kCreatedEn, BoxIcon::Information},
    };
    touch(u"prog/ffplay"_s, 100);
    for (const auto& r : rows) {
        QDir(root + u"/music/Kestrelwave"_s).removeRecursively();
        QFile::remove(regFile());
        if (r.stored)
            setRegistry(u"Language"_s, r.stored);
        for (const char* help : {"En", "Fr", "De"})
            touch(u"prog/Kestrelwave_%1.html"_s.arg(QLatin1String(help)), 10);
        env.systemLanguage = r.system;
        ASSERT_TRUE(start());
        EXPECT_EQ(app->language(), r.language);
        EXPECT_EQ(app->status.language.load(), r.language);
        ASSERT_EQ(boxes->boxes().size(), 1u) << r.stored;
        EXPECT_EQ(boxes->boxes()[0].text, r.notice);
        EXPECT_EQ(boxes->boxes()[0].icon, r.icon);
        // The program never writes the override.
        EXPECT_EQ(registryValue(u"Language"_s).isValid(), r.stored != 0);
    }
}

TEST_F(Startup, FirstStartCreatesTheDataFolderAndTheSampleList)
{
    touch(u"prog/ffplay"_s, 100);
    touch(u"prog/Kestrelwave_En.html"_s, 10);
    const QString data = root + u"/music/Kestrelwave"_s;
    ASSERT_TRUE(start());
    EXPECT_EQ(app->musicFolder, root + u"/music"_s);
    EXPECT_EQ(app->dataFolder, data);
    EXPECT_TRUE(QFileInfo(data).isDir());
    EXPECT_EQ(boxes->texts(), QStringList{kCreatedEn});

    QFile sample(data + u"/Kestrelwave_example.txt"_s);
    ASSERT_TRUE(sample.open(QIODevice::ReadOnly));
    QFile source(QStringLiteral(KESTREL_SOURCE_DIR "/resources/Kestrelwave_example.txt"));
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    EXPECT_EQ(sample.readAll(), source.readAll());
    EXPECT_GT(sample.size(), 0);
    // The user saves over it later.
    EXPECT_TRUE(QFileInfo(sample.fileName()).isWritable());
    EXPECT_TRUE(QFileInfo(sample.fileName()).permission(QFile::WriteOwner));

    // The next start finds everything in place and says nothing.
    ASSERT_TRUE(start());
    EXPECT_TRUE(boxes->boxes().empty());
}

TEST_F(Startup, AnInstalledSampleListIsTheOneCopied)
{
    prepareUsualTree();
    ASSERT_TRUE(QDir(root).mkpath(u"share/kestrelwave"_s));
    touch(u"share/kestrelwave/Kestrelwave_example.txt"_s, 5);
    ASSERT_TRUE(start());
    QFile copied(root + u"/music/Kestrelwave/Kestrelwave_example.txt"_s);
    ASSERT_TRUE(copied.open(QIODevice::ReadOnly));
    EXPECT_EQ(copied.readAll(), QByteArray(5, 'x'));
    EXPECT_TRUE(QFileInfo(copied.fileName()).permission(QFile::WriteOwner));
}

TEST_F(Startup, AUsersOwnSampleListIsNeverOverwritten)
{
    prepareUsualTree();
    touch(u"music/Kestrelwave/Kestrelwave_example.txt"_s, 7);
    ASSERT_TRUE(start());
    QFile own(root + u"/music/Kestrelwave/Kestrelwave_example.txt"_s);
    ASSERT_TRUE(own.open(QIODevice::ReadOnly));
    EXPECT_EQ(own.readAll(), QByteArray(7, 'x'));
    EXPECT_TRUE(boxes->boxes().empty());
}

TEST_F(Startup, MusicFolderProblemsEndTheStart)
{
    const struct {
        std::uint32_t lang;
        QString music;
        QString text;
    } rows[] = {
        {1033, QString(), u"Could not access to your \"Music\" folder"_s},
        {1036, QString(), u"Impossible d'accéder à votre répertoire \"Musique\""_s},
        {1033, u"@/no/such/music"_s,
         u"Could not create the \"Kestrelwave\" directory inside your \"Music\" folder"_s},
        {1031, u"@/no/such/music"_s,
         u"Estellen des Unterverzeichnisses \"Kestrelwave\" in Ihrem \"Music\" Verzeichnis "
         u"nicht möglich"_s},
    };
    prepareUsualTree();
    for (const auto& r : rows) {
        env.systemLanguage = r.lang;
        env.musicFolder = QString(r.music).replace(u"@"_s, root);
        EXPECT_FALSE(start());
        ASSERT_EQ(boxes->boxes().size(), 1u);
        EXPECT_EQ(boxes->boxes()[0].text, r.text);
        EXPECT_EQ(boxes->boxes()[0].icon, BoxIcon::Error);
    }
}

TEST_F(Startup, HelpFileBesideTheProgramOrInDoc)
{
    const struct {
        std::uint32_t lang;
        std::vector<std::pair<QString, qint64>> files;
        QString help; // relative to the tree, empty for none
        QString message;
    } rows[] = {
        {1033, {{u"prog/Kestrelwave_En.html"_s, 10}}, u"prog/Kestrelwave_En.html"_s, {}},
        {1033, {{u"prog/Kestrelwave_En.chm"_s, 10}}, u"prog/Kestrelwave_En.chm"_s, {}},
        {1033, {{u"Doc/Kestrelwave_En.html"_s, 10}}, u"Doc/Kestrelwave_En.html"_s, {}},
        {1033,
         {{u"prog/Kestrelwave_En.html"_s, 0}, {u"Doc/Kestrelwave_En.chm"_s, 10}},
         u"Doc/Kestrelwave_En.chm"_s,
         {}},
        {1033,
         {{u"prog/Kestrelwave_En.chm"_s, 10}, {u"Doc/Kestrelwave_En.html"_s, 10}},
         u"prog/Kestrelwave_En.chm"_s,
         {}},
        {1033,
         {{u"prog/Kestrelwave_En.chm"_s, 10}, {u"prog/Kestrelwave_En.html"_s, 10}},
         u"prog/Kestrelwave_En.html"_s,
         {}},
        {1036, {{u"prog/Kestrelwave_Fr.html"_s, 10}}, u"prog/Kestrelwave_Fr.html"_s, {}},
        {1031, {{u"Doc/Kestrelwave_De.chm"_s, 10}}, u"Doc/Kestrelwave_De.chm"_s, {}},
        {1036,
         {{u"prog/Kestrelwave_En.html"_s, 10}},
         {},
         u"Impossible de trouver le fichier d'aide..."_s},
        {1031, {}, {}, u"Could not find Help File..."_s},
        {1033, {{u"Doc/Kestrelwave_En.html"_s, 0}}, {}, u"Could not find Help File..."_s},
        // Installed: the data folder beside bin/, after the folders of a build tree.
        {1033,
         {{u"share/kestrelwave/Kestrelwave_En.html"_s, 10}},
         u"share/kestrelwave/Kestrelwave_En.html"_s,
         {}},
        {1036,
         {{u"Doc/Kestrelwave_Fr.html"_s, 10}, {u"share/kestrelwave/Kestrelwave_Fr.html"_s, 10}},
         u"Doc/Kestrelwave_Fr.html"_s,
         {}},
        {1031,
         {{u"share/kestrelwave/Kestrelwave_En.html"_s, 10}},
         {},
         u"Could not find Help File..."_s},
    };
    touch(u"prog/ffplay"_s, 100);
    ASSERT_TRUE(QDir(root).mkpath(u"music/Kestrelwave"_s));
    ASSERT_TRUE(QDir(root).mkpath(u"share/kestrelwave"_s));
    for (const auto& r : rows) {
        for (const QString& folder : {u"prog"_s, u"Doc"_s, u"share/kestrelwave"_s}) {
            for (const QString& name : QDir(root + u'/' + folder).entryList({u"Kestrelwave_*"_s}))
                QFile::remove(root + u'/' + folder + u'/' + name);
        }
        for (const auto& [file, size] : r.files)
            touch(file, size);
        env.systemLanguage = r.lang;
        ASSERT_TRUE(start()); // a missing help file does not stop the start
        EXPECT_EQ(app->helpPath, r.help.isEmpty() ? QString() : root + u'/' + r.help);
        if (r.message.isEmpty()) {
            EXPECT_TRUE(boxes->boxes().empty()) << r.help.toStdString();
        } else {
            ASSERT_EQ(boxes->boxes().size(), 1u);
            EXPECT_EQ(boxes->boxes()[0].text, r.message);
            EXPECT_EQ(boxes->boxes()[0].icon, BoxIcon::None);
        }
    }
}

TEST_F(Startup, CommandLineNamesAListFileWhenItsExtensionHoldsTxt)
{
    const struct {
        QString commandLine;
        QString list;
    } rows[] = {
        {u"\"/home/user/My Lists/Radio List.TXT\""_s, u"/home/user/My Lists/Radio List.TXT"_s},
        {u"/home/user/list.txt"_s, u"/home/user/list.txt"_s},
        {u"\"/home/user/list.txt"_s, u"/home/user/list.txt"_s},
        {u"/home/user/a.Txt2"_s, u"/home/user/a.Txt2"_s},
        {u"/home/user/mytxtfile"_s, u"/home/user/mytxtfile"_s}, // no dot: the whole text
        {u"/home/user/./lists/../list.txt"_s, u"/home/user/list.txt"_s},
        {u"list.txt"_s, QDir::current().absoluteFilePath(u"list.txt"_s)},
        {u"/home/user/list.doc"_s, {}},
        {u"/home/user/a.txt.bak"_s, {}},
        {u"/home/user/notes"_s, {}},
        {u"\"\""_s, {}},
        {QString(), {}},
    };
    prepareUsualTree();
    for (const auto& r : rows) {
        env.commandLine = r.commandLine;
        ASSERT_TRUE(start());
        EXPECT_EQ(app->commandLineList, r.list) << r.commandLine.toStdString();
    }
}

} // namespace
