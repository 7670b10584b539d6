#include "signal/synthesizer.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace tornel {

Synthesizer::Synthesizer()
    : buffer_(static_cast<std::int16_t*>(std::calloc(kSampleBufferSize, sizeof(std::int16_t)))) {
    if (!buffer_) {
        throw std::bad_alloc();
    }
    state_.alpha = kInitialAlpha;
}

std::span<const std::int16_t> Synthesizer::samples() const {
    return buffer().first(static_cast<std::size_t>(state_.sampleCount));
}

void Synthesizer::ClearAfterSignal(std::size_t end) {
    end = std::min(end, kSampleBufferSize);
    const auto from = static_cast<std::size_t>(state_.sampleCount);
    if (from < end) {
        std::fill(buffer_.get() + from, buffer_.get() + end, std::int16_t{0});
    }
}

void Synthesizer::setPhaseAndFilterState(double phase, double filterState) {
    state_.phase = phase;
    state_.filterState = filterState;
}

std::vector<std::int16_t> CheckToneSamples() {
    std::vector<std::int16_t> samples(static_cast<std::size_t>(kCheckToneSeconds * kSampleRate));
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const long double phase = synthesis::kToneIncrement * static_cast<long double>(i);
        samples[i] = static_cast<std::int16_t>(std::lround(kAmplitude * std::sin(phase)));
    }
    return samples;
}

void Synthesizer::BuildSignal(const Packet& packet, bool filterOn) {
    synthesis::SynthesizeFast(packet, filterOn, state_, {writableBuffer(), chartX_, chartY_});
}

}  // namespace tornel
