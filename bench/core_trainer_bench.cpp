// The trainer's core: the cost of one run tick and of one redraw of the pattern, without the
// window and without sound.
#include <benchmark/benchmark.h>

#include "platform/clock.h"
#include "tests/support/fake_clock.h"
#include "trainer/ptt_trainer.h"

namespace tornel {
namespace {

void BM_TrainerTick(benchmark::State& state) {
    platform::FakeClock clock;
    PttTrainer trainer(clock);
    trainer.Redraw(2, 3, 4);
    trainer.Press(kCaptionStart);
    for (auto _ : state) {
        clock.Advance(platform::Seconds{0.010});
        const TickResult r = trainer.Tick();
        benchmark::DoNotOptimize(r);
        if (r.runEnded) {
            trainer.Press(kCaptionStart);  // a fresh run: edges and the end keep coming
        }
    }
}
BENCHMARK(BM_TrainerTick);

void BM_TrainerRedraw(benchmark::State& state) {
    platform::FakeClock clock;
    PttTrainer trainer(clock);
    for (auto _ : state) {
        benchmark::DoNotOptimize(trainer.Redraw(2, 3, 4));
    }
}
BENCHMARK(BM_TrainerRedraw);

}  // namespace
}  // namespace tornel
