#pragma once
// The state the program keeps for its whole run, created before any window exists and handed to
// the main window. The members are initialised in the order the start-up requires: the speaker
// services with the sound switched on (and the devices beneath them), the packet's initial bytes,
// the synthesis state with its filter coefficient 0.2, then the PTT trainer.

#include <memory>
#include <optional>

#include "packet/packet.h"
#include "platform/clock.h"
#include "platform/platform_family.h"
#include "platform/ports.h"
#include "platform/sound_backend.h"
#include "platform/sound_module.h"
#include "signal/synthesizer.h"
#include "trainer/ptt_trainer.h"
#include "trainer/speaker_services.h"

namespace tornel::app {

// The tone output of the system's sound backend, made once, at Open() (the program calls it
// right after the window's first paint: opening the beep stream talks to the sound server, which
// the first paint need not wait for), or at the first beep, whichever comes first. Once open, the
// stream is kept ready so that every beep starts when its edge is crossed.
class ToneOutputOpenedLater : public platform::ToneOutput {
  public:
    explicit ToneOutputOpenedLater(platform::SoundBackend& sound) : sound_(sound) {}
    void Open() {
        if (!tone_) {
            tone_ = sound_.MakeToneOutput();
        }
    }
    void Beep(int frequencyHz, int durationMs) override {
        Open();
        if (tone_) {
            tone_->Beep(frequencyHz, durationMs);
        }
    }

  private:
    platform::SoundBackend& sound_;
    std::unique_ptr<platform::ToneOutput> tone_;
};

// What the program needs from the system. A part left empty is taken from this system: its
// platform family, its sound backend (in the sound module), a tone output made by that backend
// (ToneOutputOpenedLater), the port pair and the monotonic clock. Tests hand in fakes for some or
// all of them.
struct SystemDevices {
    std::optional<platform::PlatformFamily> family{};
    std::unique_ptr<platform::SoundBackend> sound{};
    std::unique_ptr<platform::ToneOutput> tone{};
    std::unique_ptr<platform::IoPorts> ports{};
    std::unique_ptr<platform::Clock> clock{};
};

// How the program appears in the desktop's sound mixer.
inline constexpr const char* kSoundApplicationName = "Tornel-4";

inline SystemDevices CompleteWithSystem(SystemDevices devices) {
    if (!devices.family) {
        devices.family = platform::CurrentPlatformFamily();
    }
    if (!devices.sound) {
        // The sound module is loaded by the first send or beep, after the first paint.
        devices.sound = platform::MakeSoundBackendLoadedLater(kSoundApplicationName);
    }
    if (!devices.tone) {
        devices.tone = std::make_unique<ToneOutputOpenedLater>(*devices.sound);
    }
    if (!devices.ports) {
        devices.ports = platform::MakeSystemPorts();
    }
    if (!devices.clock) {
        devices.clock = platform::MakeSteadyClock();
    }
    return devices;
}

struct ProgramState {
    explicit ProgramState(SystemDevices given = {})
        : devices(CompleteWithSystem(std::move(given))),
          speaker(*devices.family, *devices.tone, *devices.ports, *devices.clock),
          trainer(*devices.clock) {}
    ProgramState(const ProgramState&) = delete;
    ProgramState& operator=(const ProgramState&) = delete;

    // Opens the system's tone output now (a tone output handed in is left alone).
    void OpenToneOutput() {
        if (auto* later = dynamic_cast<ToneOutputOpenedLater*>(devices.tone.get())) {
            later->Open();
        }
    }

    SystemDevices devices;            // beneath the speaker services and the trainer
    SpeakerServices speaker;          // the beeps and the wait; "звук" switches it
    Packet packet = InitialPacket();  // written only by the build ("сформировать")
    Synthesizer synth;                // sample buffer, phases, filter state, coefficient
    PttTrainer trainer;               // the pattern of parameter 10 and its runs
};

}  // namespace tornel::app
