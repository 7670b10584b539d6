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
#include "signal/synthesizer.h"
#include "trainer/ptt_trainer.h"
#include "trainer/speaker_services.h"

namespace tornel::app {

// What the program needs from the system. A part left empty is taken from this system: its
// platform family, its sound backend, a tone output made by that backend (opened here, once, so
// that every beep starts when its edge is crossed), the port pair and the monotonic clock. Tests
// hand in fakes for some or all of them.
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
        devices.sound = platform::MakeSystemSoundBackend(kSoundApplicationName);
    }
    if (!devices.tone) {
        devices.tone = devices.sound->MakeToneOutput();
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

    SystemDevices devices;            // beneath the speaker services and the trainer
    SpeakerServices speaker;          // the beeps and the wait; "звук" switches it
    Packet packet = InitialPacket();  // written only by the build ("сформировать")
    Synthesizer synth;                // sample buffer, phases, filter state, coefficient
    PttTrainer trainer;               // the pattern of parameter 10 and its runs
};

}  // namespace tornel::app
