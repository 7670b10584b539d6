#pragma once
// Recovering the programming packet from a whole recording: the streaming decoder fed the
// recording from start to end.

#include <span>

#include "signal/stream_decoder.h"
#include "signal/wav_reader.h"

namespace tornel {

// Decodes mono samples at `sampleRate` samples per second: the first packet with a correct CRC,
// else the first packet found, else why there is none.
DecodeResult DecodeSignal(std::span<const float> samples, int sampleRate);

// Decodes a recording: first the mix of all channels, then each of the first two channels alone
// (a pair of channels in opposite phase cancels in the mix).
DecodeResult DecodeRecording(const WavAudio& audio);

}  // namespace tornel
