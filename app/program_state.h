#pragma once
// The state the program keeps for its whole run, created before any window exists and handed to
// the main window. The members are initialised in the order the start-up requires: the sound
// flag, the packet's initial bytes, then the synthesis state with its filter coefficient 0.2.

#include "packet/packet.h"
#include "signal/synthesizer.h"

namespace tornel::app {

struct ProgramState {
    bool soundEnabled = true;         // the trainer's beeps; written by the "звук" box
    Packet packet = InitialPacket();  // written only by the build ("сформировать")
    Synthesizer synth;                // sample buffer, phases, filter state, coefficient
};

}  // namespace tornel::app
