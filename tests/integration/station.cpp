#include "tests/integration/station.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>
#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>

namespace {

QString g_dir;
int g_icecastPort = 0;
int g_fakePort = 0;
QString g_adminPassword;
bool g_up = false;

QString script()
{
    return QStringLiteral(KESTREL_SOURCE_DIR "/tests/support/teststation.sh");
}

class StationEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/kw-station-XXXXXX"));
        g_dir = dir.path();
        QProcess p;
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p.start(script(),
                {QStringLiteral("start"), g_dir, QStringLiteral("--pulse"),
                 QStringLiteral("--owner"), QString::number(QCoreApplication::applicationPid())});
        if (!p.waitForFinished(90000) || p.exitCode() != 0) {
            p.kill();
            return;
        }
        QFile env(g_dir + QStringLiteral("/env"));
        if (!env.open(QIODevice::ReadOnly))
            return;
        for (const QByteArray& line : env.readAll().split('\n')) {
            const qsizetype eq = line.indexOf('=');
            if (eq < 0)
                continue;
            const QByteArray key = line.left(eq), value = line.mid(eq + 1);
            if (key == "KW_ICECAST_PORT")
                g_icecastPort = value.toInt();
            else if (key == "KW_FAKE_PORT")
                g_fakePort = value.toInt();
            else if (key == "KW_ADMIN_PASSWORD")
                g_adminPassword = QString::fromUtf8(value);
            else
                qputenv(key.constData(), value); // PulseAudio for us and the players
        }
        g_up = g_icecastPort > 0 && g_fakePort > 0;
    }

    void TearDown() override
    {
        if (g_dir.isEmpty())
            return;
        QProcess p;
        p.start(script(), {QStringLiteral("stop"), g_dir});
        p.waitForFinished(30000);
    }
};

const auto* g_env = ::testing::AddGlobalTestEnvironment(new StationEnvironment);

} // namespace

bool TestStation::up()
{
    return g_up;
}

QString TestStation::icecast(const QString& mount)
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(g_icecastPort).arg(mount);
}

QString TestStation::fake(const QString& path)
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(g_fakePort).arg(path);
}

QByteArray TestStation::media()
{
    QFile f(g_dir + QStringLiteral("/tone.mp3"));
    f.open(QIODevice::ReadOnly);
    QByteArray data = f.readAll();
    for (qsizetype i = 0; i + 1 < data.size(); ++i) {
        if (uchar(data[i]) == 0xFF && uchar(data[i + 1]) >= 0xE0)
            return data.mid(i);
    }
    return data;
}

QString TestStation::adminPassword()
{
    return g_adminPassword;
}

QString TestStation::stateDir()
{
    return g_dir;
}

bool TestStation::setTitle(const QString& mount, const QString& title)
{
    const QString url =
        QStringLiteral("http://127.0.0.1:%1/admin/metadata?mount=%2&mode=updinfo&song=%3")
            .arg(g_icecastPort)
            .arg(mount, QString::fromLatin1(QUrl::toPercentEncoding(title)));
    run(QStringLiteral("curl"), {QStringLiteral("-s"), QStringLiteral("-u"),
                                 QStringLiteral("admin:") + g_adminPassword, url});
    return true;
}

int TestStation::playerSinkInput()
{
    const QString text = QString::fromUtf8(
        run(QStringLiteral("pactl"), {QStringLiteral("list"), QStringLiteral("sink-inputs")}));
    for (const QString& block : text.split(QStringLiteral("Sink Input #"), Qt::SkipEmptyParts)) {
        if (block.contains(QStringLiteral("kestrelwave.player = \"kw-")))
            return block.section(u'\n', 0, 0).trimmed().toInt();
    }
    return -1;
}

QByteArray TestStation::run(const QString& program, const QStringList& args, int timeoutMs)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished(1000);
    }
    return p.readAllStandardOutput();
}

int TestStation::monitorPeak()
{
    QProcess rec;
    rec.start(QStringLiteral("parec"),
              {QStringLiteral("--device=kw_null.monitor"), QStringLiteral("--raw"),
               QStringLiteral("--format=s16le"), QStringLiteral("--channels=2"),
               QStringLiteral("--rate=44100")});
    if (!rec.waitForStarted(3000))
        return -1;
    QByteArray samples;
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 1500 && samples.size() < 44100 * 4) {
        rec.waitForReadyRead(100);
        samples += rec.readAllStandardOutput();
    }
    rec.kill();
    rec.waitForFinished(2000);
    int peak = 0;
    for (qsizetype i = 0; i + 1 < samples.size(); i += 2)
        peak =
            std::max(peak, std::abs(int(qint16(uchar(samples[i]) | (uchar(samples[i + 1]) << 8)))));
    return peak;
}
