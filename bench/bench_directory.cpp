#include "app/kestrelwaveapp.h"
#include "bench/widgetbench.h"
#include "directory/directoryapi.h"
#include "platform/registrystore.h"
#include "tests/support/scriptedmessageboxes.h"
#include "ui/directorydlg.h"
#include "ui/directorymodel.h"

#include <QApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTableView>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>
#include <random>

namespace {

constexpr int kStations = 10000;

const char16_t* const kWords[] = {u"Radio",    u"FM",   u"Jazz",   u"Café",     u"Klassik",
                                  u"Ελληνικά", u"東京", u"News",   u"Chillout", u"Hörfunk",
                                  u"Classic",  u"Rock", u"Smooth", u"Lounge"};
const char* const kCodecs[] = {"MP3", "AAC", "AAC+", "OGG", "FLAC"};

QString uuid(std::mt19937& rng)
{
    return QStringLiteral("%1-%2-4%3-a%4-%5")
        .arg(rng() % 0xFFFFFFFFu, 8, 16, QLatin1Char('0'))
        .arg(rng() % 0xFFFF, 4, 16, QLatin1Char('0'))
        .arg(rng() % 0xFFF, 3, 16, QLatin1Char('0'))
        .arg(rng() % 0xFFF, 3, 16, QLatin1Char('0'))
        .arg(quint64(rng()) << 16 | (rng() & 0xFFFF), 12, 16, QLatin1Char('0'));
}

// A search answer of kStations records with the fields the directory sends, some of its
// numbers written as text as the public types them.
QByteArray makeAnswer()
{
    std::mt19937 rng(25);
    const auto pick = [&rng](const auto& array) { return array[rng() % std::size(array)]; };
    QJsonArray stations;
    for (int i = 0; i < kStations; ++i) {
        const QString name = QString::fromUtf16(pick(kWords)) + u' ' +
                             QString::fromUtf16(pick(kWords)) + u' ' + QString::number(i);
        const QString url =
            QStringLiteral("http://stream%1.example.net:8000/live%2.mp3").arg(i % 97).arg(i);
        const int bitrate = int(rng() % 320);
        QJsonObject o;
        o.insert(QLatin1String("changeuuid"), uuid(rng));
        o.insert(QLatin1String("stationuuid"), uuid(rng));
        o.insert(QLatin1String("name"), name);
        o.insert(QLatin1String("url"), url);
        o.insert(QLatin1String("url_resolved"), url);
        o.insert(QLatin1String("homepage"), QStringLiteral("https://example.net/%1").arg(i));
        o.insert(QLatin1String("favicon"), QString());
        o.insert(QLatin1String("tags"), QStringLiteral("jazz,smooth jazz,lounge"));
        o.insert(QLatin1String("country"), QStringLiteral("Germany"));
        o.insert(QLatin1String("countrycode"), QStringLiteral("DE"));
        o.insert(QLatin1String("language"), QStringLiteral("german"));
        o.insert(QLatin1String("votes"),
                 i % 3 ? QJsonValue(int(rng() % 10000)) : QJsonValue(QStringLiteral("17")));
        o.insert(QLatin1String("lastchangetime_iso8601"), QStringLiteral("2024-05-01T10:00:00Z"));
        o.insert(QLatin1String("codec"), QLatin1String(pick(kCodecs)));
        o.insert(QLatin1String("bitrate"),
                 i % 5 ? QJsonValue(bitrate) : QJsonValue(QString::number(bitrate)));
        o.insert(QLatin1String("hls"), 0);
        o.insert(QLatin1String("lastcheckok"), i % 7 ? 1 : 0);
        o.insert(QLatin1String("lastchecktime_iso8601"), QStringLiteral("2024-05-02T03:00:00Z"));
        o.insert(QLatin1String("clickcount"), int(rng() % 5000));
        o.insert(QLatin1String("clicktrend"), int(rng() % 40) - 20);
        o.insert(QLatin1String("geo_lat"), QJsonValue::Null);
        o.insert(QLatin1String("geo_long"), QJsonValue::Null);
        stations.append(o);
    }
    return QJsonDocument(stations).toJson(QJsonDocument::Compact);
}

// The dialog as the program opens it, on the offscreen screen, without the main window.
struct Bench {
    Bench()
        : registry(dir.path() + QStringLiteral("/registry.ini")), app(boxes, registry), dialog(app),
          answer(makeAnswer())
    {
        dialog.show();
        QCoreApplication::processEvents();
    }
    QTemporaryDir dir;
    platform::RegistryStore registry;
    ScriptedMessageBoxes boxes;
    CKestrelwaveApp app;
    CDirectoryDlg dialog;
    QByteArray answer;
};

std::unique_ptr<Bench> theBench;

// The last byte of an answer in, the table filled and painted: parsing, the model reset and
// the status line, as the dialog does it with its worker's outcome.
void BM_ParseAndFillTable(benchmark::State& state)
{
    if (!theBench)
        theBench = std::make_unique<Bench>();
    Bench& b = *theBench;
    for (auto _ : state) {
        DirectoryClient::Outcome outcome;
        outcome.stations = parseSearchAnswer(b.answer).value_or(std::vector<DirectoryStation>{});
        b.dialog.showOutcome(std::move(outcome), false);
        b.dialog.results()->viewport()->repaint();
    }
    state.counters["json_MB"] = double(b.answer.size()) / 1e6;
    state.counters["stations"] = double(b.dialog.model()->stationCount());
    state.counters["rows_shown"] = double(b.dialog.model()->rowCount());
}
BENCHMARK(BM_ParseAndFillTable)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(11)
    ->ReportAggregatesOnly(true);

// The filled table sorted by name, as a click on its header does.
void BM_SortByName(benchmark::State& state)
{
    if (!theBench)
        theBench = std::make_unique<Bench>();
    QTableView* table = theBench->dialog.results();
    int k = 0;
    for (auto _ : state) {
        table->sortByColumn(DirectoryModel::Name,
                            k++ % 2 ? Qt::AscendingOrder : Qt::DescendingOrder);
        table->viewport()->repaint();
    }
}
BENCHMARK(BM_SortByName)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(11)
    ->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char** argv)
{
    return runWidgetBenchmarks(argc, argv, [] { theBench.reset(); });
}
