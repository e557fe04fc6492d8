#pragma once

// The main of a Google Benchmark program that needs widgets: an application on Qt's offscreen
// platform around the benchmarks, which run on its GUI thread. atEnd runs while the
// application still exists (widgets kept between benchmarks go there).

#include <QApplication>
#include <benchmark/benchmark.h>
#include <functional>

inline int runWidgetBenchmarks(int argc, char** argv, const std::function<void()>& atEnd = {})
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (atEnd)
        atEnd();
    return 0;
}
