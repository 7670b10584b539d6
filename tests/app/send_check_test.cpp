// The check of a send by ear when its input fails halfway: the failure is the verdict.

#include "app/send_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

#include "signal/signal_constants.h"
#include "signal/synthesizer.h"

namespace tornel::app {
namespace {

constexpr const char* kUnplugged = "вход «mic» отключён";

// Hands out `samples` a fifth of a second at a time, then fails as an unplugged card does.
class FailingInput : public platform::SoundInput {
  public:
    explicit FailingInput(std::vector<float> samples) : samples_(std::move(samples)) {}
    int rate() const override { return kSampleRate; }
    const std::string& deviceDescription() const override { return description_; }
    void Read(std::vector<float>& out, std::chrono::milliseconds) override {
        if (at_ == samples_.size()) {
            throw std::runtime_error(kUnplugged);
        }
        const std::size_t n = std::min<std::size_t>(kSampleRate / 5, samples_.size() - at_);
        out.insert(out.end(), samples_.begin() + at_, samples_.begin() + at_ + n);
        at_ += n;
    }

  private:
    std::vector<float> samples_;
    std::size_t at_ = 0;
    std::string description_ = "mic";
};

// A sound system with that one input and nothing else.
class OneInputBackend : public platform::SoundBackend {
  public:
    explicit OneInputBackend(std::vector<float> samples) : samples_(std::move(samples)) {}
    std::unique_ptr<platform::SoundOutput> MakeSoundOutput() override { return nullptr; }
    std::unique_ptr<platform::ToneOutput> MakeToneOutput() override { return nullptr; }
    std::unique_ptr<platform::SoundInput> MakeSoundInput(const std::string&) override {
        return std::make_unique<FailingInput>(samples_);
    }
    platform::SoundDevices ListDevices() override { return {}; }
    std::unique_ptr<platform::DeviceWatch> WatchDevices() override { return nullptr; }
    std::unique_ptr<platform::BackgroundPlayback> StartCheckTone(
        const platform::PlaybackTarget&) override {
        return nullptr;
    }

  private:
    std::vector<float> samples_;
};

TEST(SendCheck, AnInputThatFailsDuringTheSendIsTheVerdict) {
    const Packet sent = BuildPacket(PacketInputs{}).packet;
    Synthesizer synth;
    synth.BuildSignal(sent, true);
    // The lead-in and a part of the code came in before the input failed.
    const auto heard = synth.samples().first(kLeadInSamples + kSampleRate / 2);
    OneInputBackend backend({heard.begin(), heard.end()});
    SendCheck check(backend, "mic", "mic", sent);
    check.TakeInput();
    const SendCheckReport report = check.Finish({});
    EXPECT_EQ(report.status, std::string(" контроль: ") + kUnplugged);
}

}  // namespace
}  // namespace tornel::app
