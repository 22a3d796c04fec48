// Opening the main window: constructing TFormMain, its start-up with an empty storage folder,
// showing it and its first paint, against a bare QMainWindow of the same size shown and
// painted in the same run. Runs on the offscreen platform unless another one is asked for.
#include <benchmark/benchmark.h>

#include "BenchSupport.h"

#include <QApplication>
#include <QEvent>
#include <QMainWindow>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "mainwindow/ShoppingCartUnit.h"
#include "util/RegUtils.h"

namespace {

// Counts the paint events of a window and of all its children.
class PaintWatch : public QObject {
public:
    bool painted = false;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint)
            painted = true;
        return false;
    }
};

// Shows the window and runs the event loop until it has painted.
void ShowAndPaint(QMainWindow& window)
{
    PaintWatch watch;
    window.installEventFilter(&watch);
    window.show();
    while (!watch.painted)
        QApplication::processEvents(QEventLoop::AllEvents);
    window.removeEventFilter(&watch);
}

void BM_BareMainWindow(benchmark::State& state)
{
    for (auto _ : state) {
        QMainWindow window;
        window.resize(1038, 713);
        ShowAndPaint(window);
    }
}
BENCHMARK(BM_BareMainWindow)->Unit(benchmark::kMillisecond);

void BM_FormMain(benchmark::State& state)
{
    for (auto _ : state) {
        qm::TFormMain form;
        form.FormCreate();
        ShowAndPaint(form);
    }
}
BENCHMARK(BM_FormMain)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    // A private home: settings, data and an empty storage folder of the benchmark's own.
    const qmbench::BenchHome home;
    if (!home.ok())
        return 1;

    QApplication app(argc, argv);
    // Not the first run, and nothing to open: the start-up asks nothing.
    qmbench::WriteStartupSettings(home.Stores(), "");

    return qmbench::RunBenchmarks(argc, argv);
}
