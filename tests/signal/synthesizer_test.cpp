// The synthesis: worked examples, the symbol rules, the filter's limiting cases, and the fast
// path checked byte for byte against the extended-precision definition.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <random>
#include <span>

#include "signal/signal_constants.h"
#include "signal/synthesizer.h"
#include "signal/synthesizer_detail.h"
#include "tests/support/test_packets.h"

namespace tornel {
namespace {

using test::Filled;

Packet RandomPacket(std::mt19937_64& rng) {
    Packet p;
    for (auto& b : p) {
        b = static_cast<std::uint8_t>(rng());
    }
    return p;
}

// The definition, run on its own state beside a Synthesizer.
struct ReferenceRun {
    synthesis::State state;
    std::vector<std::int16_t> buffer = std::vector<std::int16_t>(kSampleBufferSize, 0);
    std::vector<double> chartX;
    std::vector<double> chartY;

    void Build(const Packet& packet, bool filterOn) {
        synthesis::SynthesizeReference(packet, filterOn, state, {buffer, chartX, chartY});
    }
};

// Byte-identity of everything a synthesis produces; stops at the first difference.
void ExpectSameAsReference(const Synthesizer& synth, const ReferenceRun& ref) {
    ASSERT_EQ(synth.sampleCount(), ref.state.sampleCount);
    const auto samples = synth.samples();
    const auto diff = std::mismatch(samples.begin(), samples.end(), ref.buffer.begin());
    ASSERT_EQ(diff.first, samples.end()) << "sample " << (diff.first - samples.begin()) << ": "
                                         << *diff.first << " vs " << *diff.second;
    ASSERT_EQ(synth.filterChartX(), ref.chartX);
    // Compare bit patterns: the chart's y values are exact differences of doubles.
    ASSERT_EQ(synth.filterChartY().size(), ref.chartY.size());
    ASSERT_EQ(0, std::memcmp(synth.filterChartY().data(), ref.chartY.data(),
                             ref.chartY.size() * sizeof(double)));
    ASSERT_EQ(synth.phase(), ref.state.phase);
    ASSERT_EQ(synth.filterState(), ref.state.filterState);
}

TEST(SymbolSequence, FirstIsTheBitAndNoTwoNeighboursAreEqual) {
    std::mt19937_64 rng(1);
    for (int n = 0; n < 500; ++n) {
        const Packet p = RandomPacket(rng);
        const auto symbols = synthesis::SymbolSequence(p);
        EXPECT_EQ(symbols[0], p[0] >> 7);
        for (std::size_t i = 1; i < symbols.size(); ++i) {
            ASSERT_NE(symbols[i], symbols[i - 1]) << i;
            // The bits come back: a repeat symbol stands for the previous symbol's value.
            const int bit = (p[i / 8] >> (7 - i % 8)) & 1;
            ASSERT_EQ(symbols[i] == 2 ? symbols[i - 1] : symbols[i], bit) << i;
        }
    }
}

TEST(Synthesizer, SignalLengthsOfTheWorkedPackets) {
    Synthesizer synth;
    synth.BuildSignal(Filled(0x00), true);
    EXPECT_EQ(synth.sampleCount(), 62496);
    synth.BuildSignal(Filled(0xFF), true);
    EXPECT_EQ(synth.sampleCount(), 60704);
    synth.BuildSignal(Filled(0x55), false);
    EXPECT_EQ(synth.sampleCount(), 61728);
    EXPECT_EQ(synthesis::SymbolSequence(Filled(0x00))[1], 2);
    EXPECT_EQ(synthesis::SymbolSequence(Filled(0x55))[1], 1);
}

std::vector<int> Head(std::span<const std::int16_t> s, std::size_t n) {
    return {s.begin(), s.begin() + static_cast<std::ptrdiff_t>(n)};
}

TEST(Synthesizer, FirstSamplesAfterStartBothWays) {
    const std::vector<int> withFilter{1448, 4045, 7512, 11563, 15886};
    const std::vector<int> withoutFilter{7175, 13934, 19884, 24679};
    const Packet p = Filled(0x12);
    Synthesizer filtered;
    Synthesizer unfiltered;
    filtered.BuildSignal(p, true);
    unfiltered.BuildSignal(p, false);
    EXPECT_EQ(Head(filtered.samples(), 5), withFilter);
    EXPECT_EQ(Head(unfiltered.samples(), 4), withoutFilter);

    ReferenceRun refFiltered;
    ReferenceRun refUnfiltered;
    refFiltered.Build(p, true);
    refUnfiltered.Build(p, false);
    EXPECT_EQ(Head(refFiltered.buffer, 5), withFilter);
    EXPECT_EQ(Head(refUnfiltered.buffer, 4), withoutFilter);
}

TEST(Synthesizer, ClosingToneRestartsAtPhaseZero) {
    Synthesizer synth;
    synth.setPhaseAndFilterState(1234.5, 1200.0);
    for (int i = 0; i < 3; ++i) {
        synth.BuildSignal(Filled(static_cast<std::uint8_t>(i * 77)), i != 1);
        const auto s = synth.samples();
        const auto closing = s.subspan(s.size() - kClosingSamples);
        EXPECT_EQ(closing[0], 7175);
        EXPECT_EQ(closing[1], 13934);
    }
}

TEST(Synthesizer, ChartHasOnePointPerFilteredSample) {
    Synthesizer synth;
    synth.BuildSignal(Filled(0x3C), true);
    const auto& x = synth.filterChartX();
    ASSERT_EQ(x.size(), static_cast<std::size_t>(synth.sampleCount() - kClosingSamples));
    ASSERT_EQ(synth.filterChartY().size(), x.size());
    for (std::size_t i = 0; i < x.size(); ++i) {
        ASSERT_EQ(x[i], static_cast<double>(i));
    }
    // In the steady lead-in the filtered phase lags by (1 - a)/a * d = 0.966 rad.
    EXPECT_NEAR(synth.filterChartY()[15999], 0.966, 0.001);

    const double filterState = synth.filterState();
    const double phase = synth.phase();
    synth.BuildSignal(Filled(0x3C), false);
    EXPECT_TRUE(std::all_of(synth.filterChartY().begin(), synth.filterChartY().end(),
                            [](double y) { return y == 0.0; }));
    EXPECT_EQ(synth.filterState(), filterState);  // the filter state waits while off
    EXPECT_GT(synth.phase(), phase + 15000.0);
}

TEST(Synthesizer, AlphaOneIsTheUnfilteredSignal) {
    const Packet p = Filled(0xA7);
    Synthesizer filtered;
    filtered.setAlpha(1.0);
    Synthesizer unfiltered;
    for (int i = 0; i < 2; ++i) {
        filtered.BuildSignal(p, true);
        unfiltered.BuildSignal(p, false);
        EXPECT_TRUE(std::ranges::equal(filtered.samples(), unfiltered.samples()));
        EXPECT_EQ(filtered.filterState(), filtered.phase());
    }
}

TEST(Synthesizer, AlphaZeroFreezesTheFilteredPhase) {
    Synthesizer synth;
    synth.setAlpha(0.0);
    synth.setPhaseAndFilterState(10.0, 0.5);
    synth.BuildSignal(Filled(0x0F), true);
    const auto s = synth.samples();
    const auto expected = static_cast<std::int16_t>(std::lround(std::sin(0.5) * kAmplitude));
    EXPECT_TRUE(std::all_of(s.begin(), s.end() - kClosingSamples,
                            [&](std::int16_t v) { return v == expected; }));
    EXPECT_EQ(synth.filterState(), 0.5);
}

TEST(FastSynthesis, EqualsTheDefinitionForRandomStates) {
    std::mt19937_64 rng(20261208);
    std::uniform_real_distribution<double> phaseOf(-3.0e6, 3.0e6);
    std::uniform_real_distribution<double> offset(-50.0, 50.0);
    std::uniform_int_distribution<int> percent(0, 100);
    for (int n = 0; n < 60; ++n) {
        const Packet p = RandomPacket(rng);
        const bool filterOn = n % 4 != 3;
        const double phase = n < 5 ? 0.0 : phaseOf(rng);
        const double filterState = phase + offset(rng);
        const double alpha =
            n % 10 == 9 ? std::uniform_real_distribution<>(0, 1)(rng) : percent(rng) / 100.0;
        Synthesizer synth;
        synth.setAlpha(alpha);
        synth.setPhaseAndFilterState(phase, filterState);
        ReferenceRun ref;
        ref.state.alpha = alpha;
        ref.state.phase = phase;
        ref.state.filterState = filterState;
        synth.BuildSignal(p, filterOn);
        ref.Build(p, filterOn);
        SCOPED_TRACE(testing::Message() << "run " << n << " alpha " << alpha << " phase " << phase);
        ExpectSameAsReference(synth, ref);
    }
}

TEST(FastSynthesis, EqualsTheDefinitionOverManySendsInARow) {
    std::mt19937_64 rng(7);
    Synthesizer synth;
    ReferenceRun ref;
    for (int n = 0; n < 120; ++n) {
        const Packet p = RandomPacket(rng);
        const bool filterOn = n % 7 != 6;  // now and then a send with the filter off
        if (n % 30 == 29) {
            synth.setAlpha((n % 100) / 100.0);
            ref.state.alpha = synth.alpha();
        }
        synth.BuildSignal(p, filterOn);
        ref.Build(p, filterOn);
        SCOPED_TRACE(testing::Message() << "send " << n);
        ExpectSameAsReference(synth, ref);
    }
}

TEST(FastSynthesis, PhasesBeyondTheFastSineRangeFallBackExactly) {
    Synthesizer synth;
    ReferenceRun ref;
    const double phase = synthesis::kFastSineLimit - 5000.0;  // crosses the limit mid-signal
    synth.setPhaseAndFilterState(phase, phase - 3.0);
    ref.state.phase = phase;
    ref.state.filterState = phase - 3.0;
    synth.BuildSignal(Filled(0x96), true);
    ref.Build(Filled(0x96), true);
    ExpectSameAsReference(synth, ref);
}

// Phases whose scaled sine lies next to a half: the double result cannot decide them.
TEST(FastSynthesis, SamplesNextToAHalfAreRecomputed) {
    std::vector<double> phases;
    for (int k : {0, 1, 7, 100, 7174, 29998, 29999}) {
        for (double turn : {0.0, 2.0 * M_PI * 1000.0, -2.0 * M_PI * 77777.0}) {
            const double y = std::asin((k + 0.5) / kAmplitude) + turn;
            for (double nudge = -4; nudge <= 4; ++nudge) {
                phases.push_back(y + nudge * std::abs(y) * 0x1p-52);
            }
        }
    }
    std::vector<std::int16_t> samples(phases.size());
    const std::size_t redone = synthesis::SamplesOfPhases(phases, samples);
    EXPECT_GE(redone, phases.size() / 2);
    for (std::size_t i = 0; i < phases.size(); ++i) {
        ASSERT_EQ(samples[i], synthesis::ExactSample(phases[i])) << phases[i];
    }
}

TEST(FastSynthesis, FastSineErrorIsFarInsideTheRoundingMargin) {
    std::mt19937_64 rng(3);
    double worst = 0.0;
    for (double range : {1.0, 100.0, 1.0e5, 1.0e7, synthesis::kFastSineLimit}) {
        std::uniform_real_distribution<double> y(-range, range);
        for (int i = 0; i < 20000; ++i) {
            const double v = y(rng);
            const long double exact = std::sin(static_cast<long double>(v));
            worst = std::max(worst, static_cast<double>(std::fabs(synthesis::FastSine(v) - exact)));
        }
    }
    // The rounding margin is 1e-6 in units of a sample, that is 3.3e-11 of the sine.
    EXPECT_LT(worst, 1e-14);
}

// The frequency of the strongest tone in `x` (samples at kSampleRate) within 30 Hz of `near`:
// the peak of its spectrum, found on a 1 Hz grid and refined on a 0.01 Hz one.
double PeakHz(std::span<const std::int16_t> x, double near) {
    const auto power = [&](double hz) {
        const double w = 2 * std::numbers::pi * hz / kSampleRate;
        double re = 0, im = 0;
        for (std::size_t n = 0; n < x.size(); ++n) {
            re += x[n] * std::cos(w * static_cast<double>(n));
            im -= x[n] * std::sin(w * static_cast<double>(n));
        }
        return re * re + im * im;
    };
    const auto best = [&](double from, double to, double step) {
        double peak = from;
        for (double hz = from; hz <= to; hz += step) {
            peak = power(hz) > power(peak) ? hz : peak;
        }
        return peak;
    };
    const double coarse = best(near - 30, near + 30, 1.0);
    return best(coarse - 1, coarse + 1, 0.01);
}

// Each code tone, measured in the synthesized signal (filter off, so every symbol is a pure tone),
// has the frequency the signal's constants give it, and those are the controller's three tones: a
// mistyped tone (470 Hz made 475 Hz) shows here even though the decoder, reading the same
// constants, would still tell the tones apart.
TEST(Synthesizer, CodeTonesHaveTheirFrequencies) {
    // The controller listens for exactly these; every other expectation below comes from kToneHz.
    EXPECT_EQ(kToneHz, (std::array<double, 3>{470.0, 615.0, 889.0}));
    const Packet packet = {0x01, 0x02, 0x5A, 0xC3, 0x0F, 0xF0, 0x33, 0xCC,
                           0x00, 0xFF, 0x69, 0x96, 0x12, 0x34, 0x56, 0x78};
    Synthesizer synth;
    synth.BuildSignal(packet, /*filterOn=*/false);
    const std::span<const std::int16_t> samples = synth.samples();
    EXPECT_NEAR(PeakHz(samples.first(kLeadInSamples), kToneHz[kLeadInTone]), kToneHz[kLeadInTone],
                0.05)
        << "lead-in";
    std::array<double, 3> sum{};
    std::array<int, 3> count{};
    std::size_t at = kLeadInSamples;
    for (const std::uint8_t symbol : synthesis::SymbolSequence(packet)) {
        const auto length = static_cast<std::size_t>(kSymbolSamples[symbol]);
        sum[symbol] += PeakHz(samples.subspan(at, length), kToneHz[symbol]);
        ++count[symbol];
        at += length;
    }
    for (std::size_t tone = 0; tone < kToneHz.size(); ++tone) {
        ASSERT_GT(count[tone], 10) << "tone " << tone;
        EXPECT_NEAR(sum[tone] / count[tone], kToneHz[tone], 0.5) << "tone " << tone;
    }
}

}  // namespace
}  // namespace tornel
