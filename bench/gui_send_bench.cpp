// The window's speed goals, offscreen:
// - "выдать": from the click to the first sample handed to the sound output, with the packet
//   rebuilt, both files written and both charts filled;
// - start-up: from creating the main window to its first painted frame;
// - the sound setup, through a private sound server with two outputs: the time to list the
//   outputs (goal: under 100 ms), and from the click on "выдать" to the signal's first sample at
//   the output chosen in the settings (goal: under 50 ms).

#include <benchmark/benchmark.h>

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <chrono>
#include <memory>

#include "app/program_state.h"
#include "app/sound_settings.h"
#include "app/tform1.h"
#include "bench/paint_watcher.h"
#include "platform/sound_backend.h"
#include "tests/support/pulse_server.h"

namespace {

using Clock = std::chrono::steady_clock;
using tornel::bench::PaintWatcher;

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

std::unique_ptr<tornel::app::TForm1> MakeWindow(tornel::app::ProgramState& state,
                                                tornel::platform::SoundOutput& sound,
                                                const QString& dir) {
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

void BM_ListOutputDevices(benchmark::State& st) {
    if (!tornel::test::PulseServer::Available()) {
        st.SkipWithError("pulseaudio is not installed");
        return;
    }
    tornel::test::PulseServer server({.moreSinks = {"b"}});
    const auto backend = tornel::platform::MakeSystemSoundBackend("tornel-bench");
    for (auto _ : st) {
        benchmark::DoNotOptimize(backend->ListDevices());
    }
}
BENCHMARK(BM_ListOutputDevices)->UseRealTime()->Unit(benchmark::kMillisecond);

// A shown window whose sends go through the system's sound backend, with `settings` as the
// user's sound setup (in a folder of its own).
struct SoundWindow {
    explicit SoundWindow(const tornel::app::SoundSettings& settings) {
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path());
        tornel::app::WriteSoundSettings(*tornel::app::OpenUserSettings(), settings);
        sound = state.devices.sound->MakeSoundOutput();
        form = MakeWindow(state, *sound, dir.path());
        form->show();
        QCoreApplication::processEvents();
        send = form->findChild<QPushButton*>(QStringLiteral("Button_Out"));
    }

    QTemporaryDir dir;
    tornel::app::ProgramState state;
    std::unique_ptr<tornel::platform::SoundOutput> sound;
    std::unique_ptr<tornel::app::TForm1> form;
    QPushButton* send = nullptr;
};

// The sink hands over blocks of 5.3 ms (48 kHz, 8 channels), which bounds the resolution.
void BM_SendClickToFirstSampleOnChosenOutput(benchmark::State& st) {
    if (!tornel::test::PulseServer::Available()) {
        st.SkipWithError("pulseaudio is not installed");
        return;
    }
    tornel::test::PulseServer server({.rate = 48000, .channels = 8, .moreSinks = {"b"}});
    SoundWindow window({.device = "b", .deviceDescription = "b", .level = 100});
    QPushButton* send = window.send;
    const auto& output = server.Sink("b");
    for (auto _ : st) {
        const std::size_t mark = output.RecordedFrames();
        const auto start = Clock::now();
        send->click();  // returns once the signal has been played
        const long first = tornel::test::FirstAbove(output.Recording(mark), 0);
        if (first < 0) {
            st.SkipWithError("nothing was played on the chosen output");
            return;
        }
        st.SetIterationTime(std::chrono::duration<double>(
                                output.ArrivalTime(mark + static_cast<std::size_t>(first)) - start)
                                .count());
    }
}
BENCHMARK(BM_SendClickToFirstSampleOnChosenOutput)
    ->Iterations(2)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// How long the check by ear keeps the window busy: a whole send through a loopback cable with the
// check on (argument 1) against the same send with it off (0). The difference is the check's own
// cost: opening the input and waiting for the packet to come back after the signal has played.
void BM_SendWithCheckByEar(benchmark::State& st) {
    if (!tornel::test::PulseServer::Available()) {
        st.SkipWithError("pulseaudio is not installed");
        return;
    }
    tornel::test::PulseServer server({.input = true, .loopback = true});
    SoundWindow window({.checkInput = st.range(0) != 0 ? "mic" : ""});
    QPushButton* send = window.send;
    for (auto _ : st) {
        send->click();  // returns once the signal has been played and, with the check, judged
    }
}
BENCHMARK(BM_SendWithCheckByEar)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(2)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
