#include "signal/decoder.h"

#include <algorithm>
#include <vector>

namespace tornel {

namespace {

// The sum of `count` channels from `first` on: one channel alone, or the mix of all.
std::vector<float> Channels(const WavAudio& audio, std::size_t first, std::size_t count) {
    const auto channels = static_cast<std::size_t>(audio.channelCount);
    std::vector<float> out(audio.frameCount());
    for (std::size_t i = 0; i < out.size(); ++i) {
        for (std::size_t c = first; c < first + count; ++c) {
            out[i] += audio.samples[i * channels + c];
        }
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
    const auto channels = static_cast<std::size_t>(audio.channelCount);
    DecodeResult best = DecodeSignal(Channels(audio, 0, channels), audio.sampleRate);
    for (std::size_t c = 0; c < std::min<std::size_t>(channels, 2) && channels > 1 && !best.crcOk;
         ++c) {
        DecodeResult r = DecodeSignal(Channels(audio, c, 1), audio.sampleRate);
        if (r.crcOk || (r.found && !best.found)) {
            best = std::move(r);
        }
    }
    return best;
}

}  // namespace tornel
