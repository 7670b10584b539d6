// One decode of a whole recording: the synthesised 16 kHz signal as it is, and the same signal
// at 48 kHz with half a second of silence on each side. Then the streaming decoder as a sound
// card feeds it: its cost per second of 48 kHz input (goal: under 2 % of one core, that is under
// 20 ms per second) and the delay from a packet's last sample to its report (goal: under 300 ms).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <random>
#include <span>
#include <vector>

#include "signal/decoder.h"
#include "signal/stream_decoder.h"
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

constexpr int kRate48k = 48000;
constexpr std::size_t kCardBlock = kRate48k / 100;  // 10 ms, as a sound card hands them over

// A minute of 48 kHz input: quiet noise with one packet in it.
const std::vector<float>& MinuteWithAPacket() {
    static const std::vector<float> minute = [] {
        std::vector<float> x(60 * kRate48k);
        std::mt19937 rng(3);
        std::normal_distribution<float> noise(0.0f, 30.0f);
        for (float& v : x) {
            v = noise(rng);
        }
        const std::vector<float> packet = At48k(Synthesised());
        for (std::size_t i = 0; i < packet.size(); ++i) {
            x[20 * kRate48k + i] += packet[i];
        }
        return x;
    }();
    return minute;
}

void BM_StreamDecode48kPerSecond(benchmark::State& state) {
    const std::vector<float>& input = MinuteWithAPacket();
    std::chrono::steady_clock::duration spent{};
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        tornel::StreamDecoder decoder(kRate48k);
        std::size_t heard = 0;
        for (std::size_t at = 0; at < input.size(); at += kCardBlock) {
            heard += decoder.Feed(std::span(input).subspan(at, kCardBlock)).size();
        }
        spent += std::chrono::steady_clock::now() - start;
        if (heard != 1) {
            state.SkipWithError("the packet was not heard");
            break;
        }
    }
    // Each iteration is a minute of input: the (wall) time per second of input, and the share of
    // one core that listening in real time takes.
    const double inputSeconds = 60.0 * static_cast<double>(state.iterations());
    const double perSecondMs =
        std::chrono::duration<double, std::milli>(spent).count() / inputSeconds;
    state.counters["ms_per_s_input"] = perSecondMs;
    state.counters["core_%"] = perSecondMs / 10.0;
}
BENCHMARK(BM_StreamDecode48kPerSecond)->Unit(benchmark::kMillisecond);

// Fed in 10 ms blocks: how much input came after the packet's last sample before the report
// (stream time), and how long the Feed call that reported took (wall time).
void BM_StreamReportDelay48k(benchmark::State& state) {
    const std::vector<float>& input = MinuteWithAPacket();
    double streamMs = 0.0;
    double wallMs = 0.0;
    for (auto _ : state) {
        tornel::StreamDecoder decoder(kRate48k);
        for (std::size_t at = 0; at < input.size(); at += kCardBlock) {
            const auto start = std::chrono::steady_clock::now();
            const auto reports = decoder.Feed(std::span(input).subspan(at, kCardBlock));
            const auto took = std::chrono::steady_clock::now() - start;
            if (!reports.empty()) {
                const double fed = static_cast<double>(decoder.position()) / kRate48k;
                streamMs = std::max(streamMs, (fed - reports.front().endSeconds) * 1000.0);
                wallMs = std::max(wallMs, std::chrono::duration<double, std::milli>(took).count());
                break;
            }
        }
    }
    state.counters["stream_delay_ms"] = streamMs;
    state.counters["report_call_ms"] = wallMs;
}
BENCHMARK(BM_StreamReportDelay48k)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
