#pragma once
// The check of a send by ear: the signal that left the computer comes back through a sound input
// (a loopback cable from line out to line in, or a receiver tuned to the repeater), is decoded as
// it arrives and is judged against the packet that was sent. The judgement names what the
// operator can act on: nothing came back, the level is too low or clipped, the packet came back
// damaged or was another one.

#include <memory>
#include <span>
#include <string>

#include "packet/packet.h"

namespace tornel {

enum class LoopbackVerdict {
    Intact,         // the sent packet came back with a correct CRC at a sound level
    NoSignal,       // the input stayed silent
    LevelTooLow,    // too quiet for a controller to be sure of it
    Clipped,        // the signal reached full scale: its tops were cut off
    CrcWrong,       // a packet came back whose CRC does not match its bytes
    OtherPacket,    // a packet with a correct CRC came back, but not the one sent
    NotRecognised,  // something sounded, but no packet could be read from it
};

// Levels relative to full scale, against which the input is judged.
inline constexpr double kCheckSilenceLevel = 0.001;  // -60 dB: below it the input heard nothing
inline constexpr double kCheckLowLevel = 0.05;       // -26 dB: below it the level is too low
inline constexpr double kCheckClipLevel = 0.99;      // at or above it the signal was clipped

struct LoopbackOutcome {
    LoopbackVerdict verdict = LoopbackVerdict::NoSignal;
    bool packetHeard = false;   // a packet (any) was read
    bool packetIntact = false;  // the sent packet was read with a correct CRC
    // The lead-in tone's amplitude when a packet was read, else the loudest sample; / full scale.
    double level = 0.0;
};

// Listens to one send.
class LoopbackCheck {
  public:
    // `sampleRate` of the input, 8000 to 48000; throws std::invalid_argument otherwise.
    LoopbackCheck(int sampleRate, const Packet& sent);
    ~LoopbackCheck();

    // Takes the next samples of the input, in 16-bit units.
    void Feed(std::span<const float> samples);
    // True once the sent packet has been read intact: later input cannot change the verdict.
    bool heard() const;
    // The verdict on everything fed.
    LoopbackOutcome Finish();

  private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

// The verdict for the status line, short enough for it: " контроль: пакет принят, CRC верна"
// and the like.
std::string LoopbackStatusText(const LoopbackOutcome& outcome);
// The level and what became of the packet, whatever the verdict: "уровень -31 дБ, пакет принят
// без ошибок".
std::string LoopbackDetailText(const LoopbackOutcome& outcome);

}  // namespace tornel
