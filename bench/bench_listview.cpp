#include "app/kestrelwaveapp.h"
#include "app/messageboxes.h"
#include "bench/widgetbench.h"
#include "platform/registrystore.h"
#include "stations/listline.h"
#include "ui/filedialogs.h"
#include "ui/kestrelwavedlg.h"
#include "ui/stationlistmodel.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTableView>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <memory>
#include <random>

namespace {

constexpr int kEntries = 100000;
constexpr int kCategoryEvery = 200;

// Records the boxes a load shows and answers every question with No.
class RecordingBoxes : public MessageBoxes {
public:
    void show(const QString& text, BoxIcon) override { texts << text; }
    bool askYesNo(const QString& text) override
    {
        texts << text;
        return false;
    }
    void showUnlessSilenced(const QString& text, const QString&, const QString&) override
    {
        texts << text;
    }
    void showTimed(const QString& text, const QString&, int) override { texts << text; }
    QStringList texts;
};

const char16_t* const kNameParts[] = {u"Radio",    u"FM",       u"Jazz",    u"Café",
                                      u"Klassik",  u"Ελληνικά", u"東京",    u"News",
                                      u"Chillout", u"Hörfunk",  u"Classic", u"Rock"};
const char16_t* const kFormats[] = {u"mp3_128k", u"aac_64k", u"ogg", u"opus_96k", u"flac", u""};

// A list file of kEntries entries with a category every kCategoryEvery lines, every URL
// once (a duplicate would stop the load on a box).
QByteArray makeListFile()
{
    std::mt19937 rng(99);
    auto pick = [&rng](auto& array) {
        return array[std::uniform_int_distribution<size_t>(0, std::size(array) - 1)(rng)];
    };
    QByteArray out;
    out.reserve(qsizetype(kEntries) * 72);
    for (int i = 0; i < kEntries; ++i) {
        const QString words =
            QString::fromUtf16(pick(kNameParts)) + u' ' + QString::fromUtf16(pick(kNameParts));
        if (i % kCategoryEvery == 0) {
            out += '\n' + QStringLiteral("%1 %2\n").arg(words).arg(i / kCategoryEvery).toUtf8();
            continue;
        }
        ListEntry e;
        e.name = QStringLiteral("%1 %2").arg(words).arg(i);
        e.url = QStringLiteral("http://stream%1.example.net:%2/%3.mp3")
                    .arg(i % 97)
                    .arg(8000 + i % 50)
                    .arg(i);
        e.format = QString::fromUtf16(pick(kFormats));
        out += FormatListLine(e).toUtf8() + '\n';
    }
    return out;
}

// The program as it starts with the list on its command line, the window shown on the
// offscreen screen, in a folder tree of its own.
struct Window {
    Window()
    {
        QDir(dir.path()).mkpath(QStringLiteral("Music/Kestrelwave"));
        QDir(dir.path()).mkpath(QStringLiteral("program"));
        const QString program = dir.path() + QStringLiteral("/program");
        QFile player(program + QStringLiteral("/ffplay"));
        if (player.open(QIODevice::WriteOnly))
            player.write("#!/bin/sh\n");
        player.close();
        listPath = dir.path() + QStringLiteral("/Music/Kestrelwave/bench_list.txt");
        QFile list(listPath);
        const QByteArray bytes = makeListFile();
        if (!list.open(QIODevice::WriteOnly) || list.write(bytes) != bytes.size())
            listPath.clear();
        list.close();

        registry =
            std::make_unique<platform::RegistryStore>(dir.path() + QStringLiteral("/registry.ini"));
        app = std::make_unique<CKestrelwaveApp>(boxes, *registry);
        StartupEnvironment env;
        env.programFolder = program;
        env.musicFolder = dir.path() + QStringLiteral("/Music");
        env.versionText = QStringLiteral("2.1.0");
        env.commandLine = listPath;
        env.findOnPath = [](const QString&) { return QString(); };
        started = app->InitInstance(env);
        dlg = std::make_unique<CKestrelwaveDlg>(*app, files);
        dlg->openExternal = [](const QString&) { return true; };
        dlg->show();
        QCoreApplication::processEvents();
    }
    ~Window() { dlg.reset(); }

    QTemporaryDir dir;
    QString listPath;
    RecordingBoxes boxes;
    NoFileDialogs files;
    std::unique_ptr<platform::RegistryStore> registry;
    std::unique_ptr<CKestrelwaveApp> app;
    std::unique_ptr<CKestrelwaveDlg> dlg;
    bool started = false;
};

// Made on first use, after the application object; gone before it.
std::unique_ptr<Window> theWindow;

Window& window()
{
    if (!theWindow)
        theWindow = std::make_unique<Window>();
    return *theWindow;
}

// A refill of the whole list and the first page painted again, as after a load or an
// undo.
void BM_FillListView(benchmark::State& state)
{
    Window& w = window();
    if (w.listPath.isEmpty() || !w.started || w.app->stations.count() < kEntries) {
        state.SkipWithError("the list did not load");
        return;
    }
    for (auto _ : state) {
        w.dlg->FillListView();
        w.dlg->listView()->viewport()->repaint();
    }
    state.counters["entries"] = double(w.app->stations.count());
    state.counters["model_rows"] = double(w.dlg->listModel()->rowCount());
    state.counters["viewport_h"] = double(w.dlg->listView()->viewport()->height());
    state.counters["boxes"] = double(w.boxes.texts.size());
}
BENCHMARK(BM_FillListView)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(11)
    ->ReportAggregatesOnly(true);

// The first page painted again alone, for comparison.
void BM_RepaintFirstPage(benchmark::State& state)
{
    Window& w = window();
    if (w.app->stations.count() < kEntries) {
        state.SkipWithError("the list did not load");
        return;
    }
    for (auto _ : state)
        w.dlg->listView()->viewport()->repaint();
}
BENCHMARK(BM_RepaintFirstPage)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(11)
    ->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char** argv)
{
    return runWidgetBenchmarks(argc, argv, [] {
        // Start-up and loading may show notices; name them so that a surprise is seen.
        if (theWindow) {
            for (const QString& text : theWindow->boxes.texts)
                std::fprintf(stderr, "box: %s\n", qPrintable(text));
        }
        theWindow.reset();
    });
}
