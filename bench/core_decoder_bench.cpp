// One decode of a whole recording: the synthesised 16 kHz signal as it is, and the same signal
// at 48 kHz with half a second of silence on each side.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "signal/decoder.h"
#include "signal/synthesizer.h"

namespace {

std::vector<float> Synthesised() {
    tornel::Synthesizer synth;
    synth.BuildSignal(tornel::Packet{1, 2, 5, 1, 30, 1, 60, 60, 20, 0, 0, 0, 30, 40, 13, 218},
                      true);
    const auto s = synth.samples();
    return {s.begin(), s.end()};
}

// Three times the rate by linear interpolation, padded with silence.
std::vector<float> At48k(const std::vector<float>& signal) {
    std::vector<float> out(24000, 0.0f);
    for (std::size_t i = 0; i + 1 < signal.size(); ++i) {
        for (int k = 0; k < 3; ++k) {
            out.push_back(signal[i] + (signal[i + 1] - signal[i]) * static_cast<float>(k) / 3.0f);
        }
    }
    out.resize(out.size() + 24000, 0.0f);
    return out;
}

void Decode(benchmark::State& state, const std::vector<float>& recording, int rate) {
    for (auto _ : state) {
        const tornel::DecodeResult r = tornel::DecodeSignal(recording, rate);
        if (!r.crcOk) {
            state.SkipWithError("the recording did not decode");
            break;
        }
        benchmark::DoNotOptimize(r.packet);
    }
    state.counters["samples/s"] = benchmark::Counter(
        static_cast<double>(recording.size()) * static_cast<double>(state.iterations()),
        benchmark::Counter::kIsRate);
}

void BM_DecodeClean16k(benchmark::State& state) {
    static const std::vector<float> recording = Synthesised();
    Decode(state, recording, 16000);
}
BENCHMARK(BM_DecodeClean16k)->Unit(benchmark::kMillisecond);

void BM_Decode48k(benchmark::State& state) {
    static const std::vector<float> recording = At48k(Synthesised());
    Decode(state, recording, 48000);
}
BENCHMARK(BM_Decode48k)->Unit(benchmark::kMillisecond);

}  // namespace
