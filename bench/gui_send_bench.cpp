// The window's speed goals, offscreen:
// - "выдать": from the click to the first sample handed to the sound output, with the packet
//   rebuilt, both files written and both charts filled;
// - start-up: from creating the main window to its first painted frame.

#include <benchmark/benchmark.h>

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QPushButton>
#include <QTemporaryDir>
#include <chrono>
#include <memory>

#include "app/program_state.h"
#include "app/tform1.h"

namespace {

using Clock = std::chrono::steady_clock;

// Notes the moment the signal is handed over and plays nothing.
class TimingSoundOutput : public tornel::platform::SoundOutput {
  public:
    tornel::platform::PlayResult PlayFile(
        const std::string& /*path*/, const tornel::platform::PlaybackTarget& /*target*/,
        const std::function<void(double)>& /*progress*/) override {
        handedOver = Clock::now();
        tornel::platform::PlayResult result;
        result.played = true;
        return result;
    }
    Clock::time_point handedOver;
};

class PaintWatcher : public QObject {
  public:
    bool painted = false;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            painted = true;
        }
        return QObject::eventFilter(watched, event);
    }
};

std::unique_ptr<tornel::app::TForm1> MakeWindow(tornel::app::ProgramState& state,
                                                TimingSoundOutput& sound, const QString& dir) {
    tornel::app::WindowServices services;
    services.sound = &sound;
    services.workDir = dir.toStdString();
    services.showError = [](QWidget*, const QString&) {};
    return std::make_unique<tornel::app::TForm1>(state, std::move(services), QStringList{});
}

void BM_SendClickToFirstSample(benchmark::State& st) {
    QTemporaryDir dir;
    tornel::app::ProgramState state;
    TimingSoundOutput sound;
    auto form = MakeWindow(state, sound, dir.path());
    form->show();
    QCoreApplication::processEvents();
    auto* send = form->findChild<QPushButton*>(QStringLiteral("Button_Out"));
    for (auto _ : st) {
        const auto start = Clock::now();
        send->click();
        st.SetIterationTime(std::chrono::duration<double>(sound.handedOver - start).count());
        QCoreApplication::processEvents();  // the charts' repaint, outside the measured span
    }
}
BENCHMARK(BM_SendClickToFirstSample)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_StartUpToFirstPaint(benchmark::State& st) {
    QTemporaryDir dir;
    TimingSoundOutput sound;
    for (auto _ : st) {
        PaintWatcher watcher;
        const auto start = Clock::now();
        auto state = std::make_unique<tornel::app::ProgramState>();
        auto form = MakeWindow(*state, sound, dir.path());
        form->installEventFilter(&watcher);
        form->show();
        while (!watcher.painted) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        st.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        form.reset();
    }
}
BENCHMARK(BM_StartUpToFirstPaint)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
