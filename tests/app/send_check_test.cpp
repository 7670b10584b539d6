// The check of a send by ear against a fake input: a failure halfway is the verdict, and the
// packet heard back ends the listening.

#include "app/send_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

#include "signal/signal_constants.h"
#include "signal/synthesizer.h"

namespace tornel::app {
namespace {

constexpr const char* kUnplugged = "вход «mic» отключён";

// Hands out `samples` a fifth of a second at a time, then fails as an unplugged card does, or
// brings nothing more when it does not `fail`.
class FailingInput : public platform::SoundInput {
  public:
    FailingInput(std::vector<float> samples, bool fail)
        : samples_(std::move(samples)), fail_(fail) {}
    int rate() const override { return kSampleRate; }
    const std::string& deviceDescription() const override { return description_; }
    void Read(std::vector<float>& out, std::chrono::milliseconds) override {
        if (at_ == samples_.size() && fail_) {
            throw std::runtime_error(kUnplugged);
        }
        const std::size_t n = std::min<std::size_t>(kSampleRate / 5, samples_.size() - at_);
        out.insert(out.end(), samples_.begin() + at_, samples_.begin() + at_ + n);
        at_ += n;
    }

  private:
    std::vector<float> samples_;
    bool fail_;
    std::size_t at_ = 0;
    std::string description_ = "mic";
};

// A sound system with that one input and nothing else.
class OneInputBackend : public platform::SoundBackend {
  public:
    OneInputBackend(std::vector<float> samples, bool fail)
        : samples_(std::move(samples)), fail_(fail) {}
    std::unique_ptr<platform::SoundOutput> MakeSoundOutput() override { return nullptr; }
    std::unique_ptr<platform::ToneOutput> MakeToneOutput() override { return nullptr; }
    std::unique_ptr<platform::SoundInput> MakeSoundInput(const std::string&) override {
        return std::make_unique<FailingInput>(samples_, fail_);
    }
    platform::SoundDevices ListDevices() override { return {}; }
    std::unique_ptr<platform::DeviceWatch> WatchDevices() override { return nullptr; }
    std::unique_ptr<platform::BackgroundPlayback> StartCheckTone(
        const platform::PlaybackTarget&) override {
        return nullptr;
    }

  private:
    std::vector<float> samples_;
    bool fail_;
};

TEST(SendCheck, AnInputThatFailsDuringTheSendIsTheVerdict) {
    const Packet sent = BuildPacket(PacketInputs{}).packet;
    Synthesizer synth;
    synth.BuildSignal(sent, true);
    // The lead-in and a part of the code came in before the input failed.
    const auto heard = synth.samples().first(kLeadInSamples + kSampleRate / 2);
    OneInputBackend backend({heard.begin(), heard.end()}, true);
    SendCheck check(backend, "mic", "mic", sent);
    check.TakeInput();
    const SendCheckReport report = check.Finish({});
    EXPECT_EQ(report.status, std::string(" контроль: ") + kUnplugged);
}

// Once the packet sent has come back whole, the check waits no longer for a late tail: it stops
// before reading again, so the window is never held up for kCheckTailLimit.
TEST(SendCheck, StopsListeningOnceThePacketHasComeBack) {
    const Packet sent = BuildPacket(PacketInputs{}).packet;
    Synthesizer synth;
    synth.BuildSignal(sent, true);
    OneInputBackend backend({synth.samples().begin(), synth.samples().end()}, false);
    SendCheck check(backend, "mic", "mic", sent);
    int waits = 0;
    const SendCheckReport report = check.Finish([&] { ++waits; });
    EXPECT_EQ(report.status, " контроль: пакет принят, CRC верна");
    EXPECT_EQ(waits, 0);
}

}  // namespace
}  // namespace tornel::app
