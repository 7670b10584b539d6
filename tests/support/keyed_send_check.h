#pragma once
// The check shared by the command-line and window tests of a keyed send through a real rigctld
// and the private 48 kHz sound server: keyed the delay before the file's first sample came out
// of the sink, released the tail after its last (the file goes on in silence after the signal).

#include <gtest/gtest.h>

#include "ptt/ptt_choice.h"
#include "signal/wav_writer.h"
#include "tests/support/pulse_server.h"
#include "tests/support/rigctld_server.h"
#include "tests/support/timing.h"

namespace tornel::test {

// `mark`: the sink's frame count before the send began.
inline void ExpectKeyedAroundTheFile(const RigctldServer& rig, const PulseServer& server,
                                     std::size_t mark, ptt::KeyingTimes times) {
    using namespace std::chrono_literals;
    const auto slack = std::chrono::duration_cast<RigctldServer::Clock::duration>(
        std::chrono::duration<double>(kLoadedMachineSlackSeconds));
    ASSERT_TRUE(rig.WaitFor(false, 5s));
    server.WaitForFrames(server.RecordedFrames() + 4800, 5s);
    const auto changes = rig.Changes();
    ASSERT_EQ(changes.size(), 3u);  // released, keyed, released
    const long first = FirstAbove(server.Recording(mark), 0);
    ASSERT_GE(first, 0);
    const auto fileFrames = static_cast<std::size_t>(kWavDataSamples) * 48000 / kSampleRate;
    const auto firstSample = server.ArrivalTime(mark + first);
    const auto lastSample = server.ArrivalTime(mark + first + fileFrames - 1);
    EXPECT_LT(changes[1].seen, firstSample);
    EXPECT_GE(firstSample - changes[1].seen, std::chrono::milliseconds(times.txDelayMs) - slack);
    EXPECT_GT(changes[2].seen, lastSample);
    EXPECT_GE(changes[2].seen - lastSample, std::chrono::milliseconds(times.txTailMs) - slack);
    EXPECT_LT(changes[2].seen - lastSample, std::chrono::milliseconds(times.txTailMs) + 1s);
}

}  // namespace tornel::test
