#pragma once
// How the transmitter is keyed, as one line of text: what `--ptt` takes on the command line and
// what the window keeps in its settings; and the TX delay and tail around a send.
//
//   none                        no keying (the default)
//   vox                         no keying: the radio's VOX keys on the sound itself
//   cat:MODEL:DEVICE[:SPEED]    a hamlib rig model by number, its port, its serial speed
//   rts:DEVICE, dtr:DEVICE      a line of a serial port
//   cm108:HIDRAW[:PIN]          a GPIO pin of a CM108/CM119 USB sound card (hidraw)
//   rigctld:HOST:PORT           hamlib's network daemon

#include <stdexcept>
#include <string>
#include <string_view>

namespace tornel::ptt {

enum class PttKind { None, Vox, Cat, Rts, Dtr, Cm108, Rigctld };

// The CM108 GPIO most interfaces wire to PTT, and the pins a CM108/CM119 has.
inline constexpr int kCm108DefaultPin = 3;
inline constexpr int kCm108MinPin = 1;
inline constexpr int kCm108MaxPin = 8;
inline constexpr int kDefaultRigctldPort = 4532;

struct PttChoice {
    PttKind kind = PttKind::None;
    int model = 0;                   // cat: hamlib's rig model number
    std::string device{};            // cat, rts, dtr, cm108: the device file; rigctld: the host
    int speed = 0;                   // cat: the serial speed; 0: the rig's own default
    int pin = kCm108DefaultPin;      // cm108
    int port = kDefaultRigctldPort;  // rigctld

    // True for the kinds that key the transmitter themselves (not none, not vox).
    bool Keys() const { return kind != PttKind::None && kind != PttKind::Vox; }
    friend bool operator==(const PttChoice&, const PttChoice&) = default;
};

// A choice that says nothing sensible; the text is Russian and says what is allowed.
class PttChoiceError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The TX delay before the signal and the TX tail after the sound card has played its last sample.
inline constexpr int kTxDelayDefaultMs = 300;
inline constexpr int kTxDelayMaxMs = 2000;
inline constexpr int kTxTailDefaultMs = 100;
inline constexpr int kTxTailMaxMs = 1000;

struct KeyingTimes {
    int txDelayMs = kTxDelayDefaultMs;
    int txTailMs = kTxTailDefaultMs;
    friend bool operator==(const KeyingTimes&, const KeyingTimes&) = default;
};

// The serial speeds a CAT port may be given.
inline constexpr int kSerialSpeeds[] = {300,   600,   1200,  2400,   4800,   9600,
                                        19200, 38400, 57600, 115200, 230400, 460800};

PttChoice ParsePttChoice(std::string_view text);
// The choice that ParsePttChoice reads back as `choice`.
std::string PttChoiceText(const PttChoice& choice);
// What is allowed, for messages: the forms of a choice.
inline constexpr const char* kPttChoiceForms =
    "none, vox, cat:МОДЕЛЬ:ПОРТ[:СКОРОСТЬ], rts:ПОРТ, dtr:ПОРТ, cm108:HIDRAW[:ВЫВОД], "
    "rigctld:АДРЕС:ПОРТ";
std::string PttChoiceForms();
// How messages name the transmitter: "rigctld 127.0.0.1:4532", "RTS порта /dev/ttyUSB0".
std::string TransmitterLabel(const PttChoice& choice);

}  // namespace tornel::ptt
