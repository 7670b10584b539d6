// Sound handed to the server in one piece and left to play while the caller goes on; the caller
// keeps it going with Pump. Used for the check tone of the sound setup.

#include <utility>

#include "platform/pulse_backend.h"
#include "platform/pulse_stream.h"
#include "platform/sound_level.h"

namespace tornel::platform::pulse {

namespace {

constexpr auto kPlaybackSlack = std::chrono::seconds(3);
constexpr int kStartAfterMs = 150;

class PulseBackgroundPlayback : public BackgroundPlayback {
  public:
    PulseBackgroundPlayback(const std::string& applicationName, std::vector<std::int16_t> samples,
                            int rate, const PlaybackTarget& target) {
        ApplyLevel(samples, target.levelPercent);
        try {
            stream_ =
                std::make_unique<PlaybackStream>(StreamSettings{.applicationName = applicationName,
                                                                .mediaName = "проверка",
                                                                .device = target.device,
                                                                .rate = rate,
                                                                .channels = 1,
                                                                .startAfterMs = kStartAfterMs},
                                                 Clock::now() + kConnectLimit);
            // The server keeps what exceeds its buffer; a few seconds of mono are far below its
            // limit.
            stream_->Write(samples);
            stream_->StartDrain();
            deadline_ = Clock::now() + kPlaybackSlack +
                        std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(
                            static_cast<double>(samples.size()) / rate));
        } catch (const PulseError& e) {
            Fail(e);
        }
    }

    bool Pump() override {
        if (!stream_) {
            return false;
        }
        try {
            stream_->Poll();
            if (!stream_->Usable()) {
                throw PulseError("воспроизведение прервано");
            }
            if (stream_->Drained()) {
                result_.played = true;
                stream_.reset();
                return false;
            }
            if (Clock::now() > deadline_) {
                throw PulseError("воспроизведение прервано: сервер не отвечает");
            }
            return true;
        } catch (const PulseError& e) {
            Fail(e);
            return false;
        }
    }

    const PlayResult& result() const override { return result_; }

  private:
    void Fail(const PulseError& e) {
        stream_.reset();
        result_.error = e.what();
        result_.deviceMissing = dynamic_cast<const DeviceMissing*>(&e) != nullptr;
    }

    std::unique_ptr<PlaybackStream> stream_;
    Clock::time_point deadline_{};
    PlayResult result_;
};

}  // namespace

std::unique_ptr<BackgroundPlayback> StartPlayback(const std::string& applicationName,
                                                  std::vector<std::int16_t> samples, int rate,
                                                  const PlaybackTarget& target) {
    return std::make_unique<PulseBackgroundPlayback>(applicationName, std::move(samples), rate,
                                                     target);
}

}  // namespace tornel::platform::pulse
