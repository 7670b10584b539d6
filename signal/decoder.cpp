#include "signal/decoder.h"

#include <algorithm>
#include <vector>

namespace tornel {

namespace {

std::vector<float> Channel(const WavAudio& audio, int channel) {
    const auto channels = static_cast<std::size_t>(audio.channelCount);
    std::vector<float> out(audio.frameCount());
    for (std::size_t i = 0; i < out.size(); ++i) {
        out[i] = audio.samples[i * channels + static_cast<std::size_t>(channel)];
    }
    return out;
}

std::vector<float> Mix(const WavAudio& audio) {
    const auto channels = static_cast<std::size_t>(audio.channelCount);
    std::vector<float> out(audio.frameCount());
    for (std::size_t i = 0; i < out.size(); ++i) {
        float sum = 0.0f;
        for (std::size_t c = 0; c < channels; ++c) {
            sum += audio.samples[i * channels + c];
        }
        out[i] = sum;
    }
    return out;
}

}  // namespace

DecodeResult DecodeSignal(std::span<const float> samples, int sampleRate) {
    DecodeResult best;
    best.reason = "в записи не найден вводный тон 615 Гц";
    if (sampleRate < kMinDecoderRate || sampleRate > kMaxDecoderRate) {
        best.reason = "частота дискретизации вне " + DecoderRateRangeText();
        return best;
    }
    StreamDecoder decoder(sampleRate);
    std::vector<DecodeResult> results = decoder.Feed(samples);
    std::vector<DecodeResult> last = decoder.Finish();
    results.insert(results.end(), std::make_move_iterator(last.begin()),
                   std::make_move_iterator(last.end()));
    for (std::size_t i = 0; i < results.size(); ++i) {
        if (results[i].crcOk) {
            return std::move(results[i]);
        }
        if (i == 0 || (results[i].found && !best.found)) {
            best = std::move(results[i]);
        }
    }
    return best;
}

DecodeResult DecodeRecording(const WavAudio& audio) {
    if (audio.channelCount <= 0) {
        DecodeResult none;
        none.reason = "в записи нет каналов";
        return none;
    }
    DecodeResult best = DecodeSignal(Mix(audio), audio.sampleRate);
    for (int c = 0; c < std::min(audio.channelCount, 2) && audio.channelCount > 1 && !best.crcOk;
         ++c) {
        DecodeResult r = DecodeSignal(Channel(audio, c), audio.sampleRate);
        if (r.crcOk || (r.found && !best.found)) {
            best = std::move(r);
        }
    }
    return best;
}

}  // namespace tornel
