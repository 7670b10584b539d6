// The signal's definition: every sum, filter step and sine in extended precision, one sample at a
// time, in the order the lead-in, the code and the closing tone are made.
#include <cmath>

#include "signal/synthesizer.h"
#include "signal/synthesizer_detail.h"

namespace tornel::synthesis {

namespace {

std::int16_t RoundSample(long double value) {
    return static_cast<std::int16_t>(std::nearbyint(value));  // ties to even
}

class ReferenceSynthesis {
  public:
    ReferenceSynthesis(bool filterOn, State& state, const Output& out)
        : filterOn_(filterOn), state_(state), out_(out) {}

    void BuildSignal(const Packet& packet) {
        state_.amplitude = kAmplitude;
        state_.sampleCount = 0;
        state_.closingPhase = 0.0;
        out_.chartX.clear();
        out_.chartY.clear();
        for (int i = 0; i < kLeadInSamples; ++i) {
            SampleStep(kToneIncrement);
        }
        for (std::uint8_t symbol : SymbolSequence(packet)) {
            AppendSymbol(symbol);
        }
        for (int i = 0; i < kClosingSamples; ++i) {
            state_.closingPhase = static_cast<double>(state_.closingPhase + kToneIncrement);
            Store(std::sin(static_cast<long double>(state_.closingPhase)) * state_.amplitude);
        }
    }

  private:
    void AppendSymbol(std::uint8_t symbol) {
        if (symbol >= kSymbols.size()) {
            return;
        }
        for (int i = 0; i < kSymbols[symbol].samples; ++i) {
            SampleStep(kSymbols[symbol].increment);
        }
    }

    void SampleStep(long double increment) {
        state_.phase = static_cast<double>(state_.phase + increment);
        const double y = FilterPhase(state_.phase);
        Store(std::sin(static_cast<long double>(y)) * state_.amplitude);
    }

    double FilterPhase(double x) {
        double y = x;
        if (filterOn_) {
            const long double alpha = state_.alpha;
            y = static_cast<double>(alpha * x + (1.0L - alpha) * state_.filterState);
            state_.filterState = y;
        }
        out_.chartX.push_back(state_.sampleCount);
        out_.chartY.push_back(x - y);
        return y;
    }

    void Store(long double value) {
        out_.buffer[static_cast<std::size_t>(state_.sampleCount++)] = RoundSample(value);
    }

    bool filterOn_;
    State& state_;
    const Output& out_;
};

}  // namespace

std::array<std::uint8_t, kSymbolCount> SymbolSequence(const Packet& packet) {
    std::array<std::uint8_t, kSymbolCount> symbols{};
    std::uint8_t previous = 2;
    std::size_t n = 0;
    for (std::uint8_t byte : packet) {
        for (int bit = 7; bit >= 0; --bit) {
            const auto b = static_cast<std::uint8_t>((byte >> bit) & 1);
            previous = b != previous ? b : std::uint8_t{2};
            symbols[n++] = previous;
        }
    }
    return symbols;
}

std::int16_t ExactSample(double y) {
    return RoundSample(std::sin(static_cast<long double>(y)) * kAmplitude);
}

void SynthesizeReference(const Packet& packet, bool filterOn, State& state, const Output& out) {
    ReferenceSynthesis(filterOn, state, out).BuildSignal(packet);
}

}  // namespace tornel::synthesis
