#pragma once
// The check of a send by ear: the signal that left the computer comes back through a sound input
// (a loopback cable from line out to line in, or a receiver tuned to the repeater), is decoded as
// it arrives and is judged against the packet that was sent. The judgement names what the
// operator can act on: nothing came back, the level is too low or clipped, the packet came back
// damaged or was another one.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "packet/packet.h"
#include "signal/stream_decoder.h"

namespace tornel {

enum class LoopbackVerdict {
    Intact,         // the sent packet came back with a correct CRC at a sound level
    NoSignal,       // no lead-in tone came back: silence, hiss or other sound
    LevelTooLow,    // too quiet for a controller to be sure of it
    Clipped,        // the signal reached full scale: its tops were cut off
    CrcWrong,       // a packet came back whose CRC does not match its bytes
    OtherPacket,    // a packet with a correct CRC came back, but not the one sent
    NotRecognised,  // a lead-in tone came back, but no packet could be read after it
};

// The lead-in tone's amplitude, relative to full scale, below which the level is too low (-26 dB).
inline constexpr double kCheckLowLevel = 0.05;
// A sample at or above this share of full scale is clipped; the signal counts as clipped when
// at least kCheckClippedSamples of them came (a click, or a resampler's overshoot where the
// signal stops, is a few samples).
inline constexpr double kCheckClipLevel = 0.99;
inline constexpr int kCheckClippedSamples = 64;

struct LoopbackOutcome {
    LoopbackVerdict verdict = LoopbackVerdict::NoSignal;
    bool leadInHeard = false;   // a lead-in tone came back (with a packet after it or not)
    bool packetHeard = false;   // a packet (any) was read
    bool packetIntact = false;  // the sent packet was read with a correct CRC
    // The lead-in tone's amplitude when one came back, else the loudest sample; / full scale.
    double level = 0.0;
};

// Listens to one send.
class LoopbackCheck {
  public:
    // `sampleRate` of the input, kMinDecoderRate to kMaxDecoderRate; throws std::invalid_argument
    // otherwise.
    LoopbackCheck(int sampleRate, const Packet& sent);

    // Takes the next samples of the input, in 16-bit units.
    void Feed(std::span<const float> samples);
    // True once the sent packet has been read intact: later input cannot change the verdict.
    bool heard() const { return intact_.has_value(); }
    // The verdict on everything fed.
    LoopbackOutcome Finish();

  private:
    void Keep(std::vector<DecodeResult> results);
    bool Clipped() const;
    LoopbackOutcome JudgePacket(const DecodeResult& r) const;
    LoopbackOutcome JudgeUnreadLeadIn(double level) const;

    StreamDecoder decoder_;
    Packet sent_;
    std::vector<DecodeResult> packets_;
    std::optional<std::size_t> intact_;  // the first of packets_ that is the sent one intact
    std::optional<double> unreadLevel_;  // the loudest lead-in with no packet after it
    double peak_ = 0.0;                  // the loudest sample of the input
    std::int64_t clippedSamples_ = 0;
};

// The verdict for the status line, short enough for it: " контроль: пакет принят, CRC верна"
// and the like. A packet that came back intact at a bad level says so first.
std::string LoopbackStatusText(const LoopbackOutcome& outcome);
// The level and what became of the packet, whatever the verdict: "уровень -31 дБ, пакет принят
// без ошибок".
std::string LoopbackDetailText(const LoopbackOutcome& outcome);

}  // namespace tornel
