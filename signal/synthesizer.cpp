#include "signal/synthesizer.h"

#include <algorithm>
#include <cmath>

namespace tornel {

namespace {

struct SymbolShape {
    long double increment;  // radians per sample
    int samples;
};

// 2*pi*f/16000 for 470, 615 and 889 Hz, to extended precision.
constexpr SymbolShape kSymbols[3] = {
    {0.18456856839840035276L, 340},
    {0.24150993524471535522L, 312},
    {0.34910948363016577363L, 324},
};

std::int16_t RoundSample(long double value) {
    return static_cast<std::int16_t>(std::nearbyint(value));  // ties to even
}

}  // namespace

Synthesizer::Synthesizer() : buffer_(kSampleBufferSize, 0) {}

std::span<const std::int16_t> Synthesizer::samples() const {
    return std::span(buffer_).first(static_cast<std::size_t>(sampleCount_));
}

void Synthesizer::ClearAfterSignal(std::size_t end) {
    end = std::min(end, buffer_.size());
    const auto from = static_cast<std::size_t>(sampleCount_);
    if (from < end) {
        std::fill(buffer_.begin() + static_cast<std::ptrdiff_t>(from),
                  buffer_.begin() + static_cast<std::ptrdiff_t>(end), 0);
    }
}

void Synthesizer::setPhaseAndFilterState(double phase, double filterState) {
    phase_ = phase;
    filterState_ = filterState;
}

// Straightforward extended-precision reference of the synthesis.
void Synthesizer::BuildSignal(const Packet& packet, bool filterOn) {
    amplitude_ = kAmplitude;
    sampleCount_ = 0;
    closingPhase_ = 0.0;
    chartX_.clear();
    chartY_.clear();
    const long double alpha = alpha_;

    auto step = [&](long double increment) {
        phase_ = static_cast<double>(static_cast<long double>(phase_) + increment);
        double y = phase_;
        if (filterOn) {
            y = static_cast<double>(alpha * phase_ + (1.0L - alpha) * filterState_);
            filterState_ = y;
        }
        chartX_.push_back(sampleCount_);
        chartY_.push_back(phase_ - y);
        buffer_[static_cast<std::size_t>(sampleCount_++)] =
            RoundSample(std::sin(static_cast<long double>(y)) * amplitude_);
    };
    auto appendSymbol = [&](int symbol) {
        for (int i = 0; i < kSymbols[symbol].samples; ++i) {
            step(kSymbols[symbol].increment);
        }
    };

    for (int i = 0; i < kLeadInSamples; ++i) {
        step(kSymbols[1].increment);
    }
    int previous = 2;
    for (std::uint8_t byte : packet) {
        for (int bit = 7; bit >= 0; --bit) {
            const int b = (byte >> bit) & 1;
            previous = b != previous ? b : 2;
            appendSymbol(previous);
        }
    }
    for (int i = 0; i < kClosingSamples; ++i) {
        closingPhase_ = static_cast<double>(closingPhase_ + kSymbols[1].increment);
        buffer_[static_cast<std::size_t>(sampleCount_++)] =
            RoundSample(std::sin(static_cast<long double>(closingPhase_)) * amplitude_);
    }
}

}  // namespace tornel
