// Help pages at their budget, offscreen. A help file of 16 MB of nothing but paragraph marks is
// the costliest a file can be for a text view; the goals are:
// - start-up with all three help files of that kind: the window painted within 1 s;
// - one such page loaded, shown and fully laid out: at most 100 MB of memory.
// Peak memory is the growth of the process's peak resident size over the benchmark.

#include <benchmark/benchmark.h>

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextEdit>
#include <chrono>
#include <fstream>
#include <memory>
#include <string>

#include "app/program_state.h"
#include "app/tform1.h"
#include "bench/paint_watcher.h"
#include "widgets/help_loader.h"

namespace {

using Clock = std::chrono::steady_clock;
using tornel::bench::PaintWatcher;

// The peak resident size in MB; ResetPeak() starts a new peak from the present size.
double PeakResidentMb() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::stod(line.substr(6)) / 1024.0;
        }
    }
    return 0.0;
}

void ResetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

void WriteParagraphMarks(const QString& path) {
    QByteArray rtf("{\\rtf1 ");
    const QByteArray mark("\\par");
    while (rtf.size() + mark.size() < (16 << 20)) {
        rtf.append(mark);
    }
    rtf.append('}');
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(rtf);
}

void BM_HelpPageOf16MBParagraphMarks(benchmark::State& st) {
    QTemporaryDir dir;
    const QString path = dir.filePath(tornel::HelpFileName(1));
    WriteParagraphMarks(path);
    double peakGrowth = 0.0;
    for (auto _ : st) {
        ResetPeak();
        const double before = PeakResidentMb();
        QTextEdit view;
        view.resize(800, 600);
        tornel::LoadHelpPage(view, path);
        view.show();
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(view.document()->documentLayout()->documentSize());
        peakGrowth = std::max(peakGrowth, PeakResidentMb() - before);
    }
    st.counters["peak_MB"] = peakGrowth;
}
BENCHMARK(BM_HelpPageOf16MBParagraphMarks)->Unit(benchmark::kMillisecond);

void BM_StartUpWithThree16MBHelpFiles(benchmark::State& st) {
    QTemporaryDir dir;
    for (int page = 1; page <= 3; ++page) {
        WriteParagraphMarks(dir.filePath(tornel::HelpFileName(page)));
    }
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());  // the window reads the help files from the working directory
    double peakGrowth = 0.0;
    for (auto _ : st) {
        ResetPeak();
        const double before = PeakResidentMb();
        PaintWatcher watcher;
        const auto start = Clock::now();
        auto state = std::make_unique<tornel::app::ProgramState>();
        tornel::app::WindowServices services;
        services.workDir = dir.path().toStdString();
        services.showError = [](QWidget*, const QString&) {};
        auto form =
            std::make_unique<tornel::app::TForm1>(*state, std::move(services), QStringList{});
        form->installEventFilter(&watcher);
        form->show();
        while (!watcher.painted) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        st.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        peakGrowth = std::max(peakGrowth, PeakResidentMb() - before);
        form.reset();
    }
    QDir::setCurrent(previous);
    st.counters["peak_MB"] = peakGrowth;
}
BENCHMARK(BM_StartUpWithThree16MBHelpFiles)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
