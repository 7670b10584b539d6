#pragma once
// The decoder of the programming signal, fed as the samples arrive.
//
// Samples may come in blocks of any size, at any rate from 8 to 48 kHz, from a sound card whose
// clock is off by up to 5 %, attenuated and noisy. The decoder watches for the one-second lead-in
// tone in 10 ms blocks (a dropout of up to 15 ms, as on a fading radio path, does not break it);
// when a lead-in ends it measures its frequency (which gives the clock error), locates the first
// change of tone and then follows the 128 symbols one by one as they arrive: each decision picks
// the stronger of the two tones that may follow the previous symbol, and the boundary to the next
// symbol is re-measured so that timing errors never accumulate. A packet is reported as soon as
// its last symbol has arrived.
//
// Memory stays bounded however long the stream runs: only the latest seconds of samples are kept,
// and each lead-in holds its own tone sums only until its code has been read.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "packet/packet.h"
#include "signal/signal_constants.h"

namespace tornel {

struct DecodeResult {
    bool found = false;  // 128 symbols were read
    Packet packet{};
    bool crcOk = false;
    std::uint16_t receivedCrc = 0;  // bytes 14 (high) and 15 (low) as received
    std::uint16_t computedCrc = 0;  // over the received bytes 0..13
    std::string reason;             // Russian: why nothing was found, or that the CRC fails
    double startSeconds = 0.0;      // where the lead-in tone begins in the stream
    double codeStartSeconds = 0.0;  // where the first symbol begins in the stream
    double endSeconds = 0.0;        // where the last symbol ends (found) or the attempt gave up
    double clockRatio = 1.0;        // measured lead-in frequency / 615 Hz
    double level = 0.0;             // the lead-in tone's amplitude / kFullScale
    double peak = 0.0;              // the largest |sample| from the lead-in on / kFullScale
};

class StreamDecoder {
  public:
    // `sampleRate` from kMinDecoderRate to kMaxDecoderRate; throws std::invalid_argument otherwise.
    explicit StreamDecoder(int sampleRate);
    ~StreamDecoder();
    StreamDecoder(StreamDecoder&&) noexcept;
    StreamDecoder& operator=(StreamDecoder&&) noexcept;

    // Takes the next mono samples. Returns what the decoding of each lead-in that these samples
    // completed came to, in the order the lead-ins began: a packet (found, with its CRC verdict)
    // or, for a tone that only looked like a lead-in, found = false and the reason.
    std::vector<DecodeResult> Feed(std::span<const float> samples);

    // The stream has ended: what the lead-ins still waiting for samples come to.
    std::vector<DecodeResult> Finish();

    int sampleRate() const;
    // Samples fed so far.
    std::int64_t position() const;
    // Bytes the decoder holds right now for the recent samples and the tone sums of the lead-ins
    // being read: bounded however long the stream runs.
    std::size_t HeldBytes() const;

  private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace tornel
