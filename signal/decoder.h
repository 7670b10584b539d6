#pragma once
// Recovering the programming packet from a recording of the three-tone signal.
//
// The recording may start and end with any amount of silence, be attenuated, carry white noise,
// come at any rate from 8 to 48 kHz and from a sound card whose clock is off by a percent or so.
// The decoder finds the one-second lead-in tone, measures its frequency (which gives the clock
// error), locates the first change of tone and then follows the 128 symbols one by one: each
// decision picks the stronger of the two tones that may follow the previous symbol, and the
// boundary to the next symbol is re-measured so that timing errors never accumulate.

#include <cstdint>
#include <span>
#include <string>

#include "packet/packet.h"
#include "signal/wav_reader.h"

namespace tornel {

struct DecodeResult {
    bool found = false;  // 128 symbols were read
    Packet packet{};
    bool crcOk = false;
    std::uint16_t receivedCrc = 0;  // bytes 14 (high) and 15 (low) as received
    std::uint16_t computedCrc = 0;  // over the received bytes 0..13
    std::string reason;             // Russian: why nothing was found, or that the CRC fails
    double codeStartSeconds = 0.0;  // where the first symbol begins in the recording
    double clockRatio = 1.0;        // measured lead-in frequency / 615 Hz
};

// Decodes mono samples (any scale) at `sampleRate` samples per second.
DecodeResult DecodeSignal(std::span<const float> samples, int sampleRate);

// Decodes a recording: first the mix of all channels, then each of the first two channels alone
// (a pair of channels in opposite phase cancels in the mix).
DecodeResult DecodeRecording(const WavAudio& audio);

}  // namespace tornel
