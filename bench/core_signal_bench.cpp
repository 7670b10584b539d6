// One synthesis (the extended-precision definition and the fast path), and one send's files.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>

#include "signal/synthesizer.h"
#include "signal/synthesizer_detail.h"
#include "signal/wav_writer.h"

namespace {

using tornel::Packet;

const Packet kPacket{1, 2, 5, 1, 30, 1, 60, 60, 20, 0, 0, 0, 30, 40, 13, 218};

void BM_SynthesisReference(benchmark::State& st) {
    tornel::synthesis::State state;
    std::vector<std::int16_t> buffer(tornel::kSampleBufferSize);
    std::vector<double> chartX;
    std::vector<double> chartY;
    std::int64_t samples = 0;
    for (auto _ : st) {
        tornel::synthesis::SynthesizeReference(kPacket, true, state, {buffer, chartX, chartY});
        samples += state.sampleCount;
        benchmark::DoNotOptimize(buffer.data());
    }
    st.SetItemsProcessed(samples);
}
BENCHMARK(BM_SynthesisReference)->Unit(benchmark::kMillisecond);

void BM_SynthesisFast(benchmark::State& st) {
    tornel::Synthesizer synth;
    std::int64_t samples = 0;
    for (auto _ : st) {
        synth.BuildSignal(kPacket, true);
        samples += synth.sampleCount();
        benchmark::DoNotOptimize(synth.buffer().data());
    }
    st.SetItemsProcessed(samples);
}
BENCHMARK(BM_SynthesisFast)->Unit(benchmark::kMillisecond);

// A send as the window makes it: synthesis, "_qq.wav" and "9_fmsig.h".
void BM_WriteWavFileAndExport(benchmark::State& st) {
    char name[] = "/tmp/tornel-bench-XXXXXX";
    const std::filesystem::path dir = mkdtemp(name);
    tornel::Synthesizer synth;
    std::int64_t samples = 0;
    for (auto _ : st) {
        tornel::WriteWavFile(synth, kPacket, true, dir);
        samples += synth.sampleCount();
    }
    st.SetItemsProcessed(samples);
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_WriteWavFileAndExport)->Unit(benchmark::kMillisecond);

// The C-array export alone, from a finished synthesis.
void BM_ExportCArray(benchmark::State& st) {
    char name[] = "/tmp/tornel-bench-XXXXXX";
    const std::filesystem::path dir = mkdtemp(name);
    tornel::Synthesizer synth;
    synth.BuildSignal(kPacket, true);
    for (auto _ : st) {
        tornel::ExportCArray(synth, dir);
    }
    st.SetBytesProcessed(static_cast<std::int64_t>(st.iterations() * tornel::kCArrayFileBytes));
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_ExportCArray)->Unit(benchmark::kMillisecond);

}  // namespace
