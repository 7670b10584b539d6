// Playback of a WAV file through the PulseAudio server, to its last sample.

#include <algorithm>
#include <cmath>
#include <utility>

#include "platform/pulse_backend.h"
#include "platform/pulse_stream.h"
#include "platform/sound_level.h"
#include "signal/wav_reader.h"

namespace tornel::platform::pulse {

namespace {

using tornel::ReadWavFile;
using tornel::WavAudio;
using tornel::WavError;

double SecondsOf(const WavAudio& audio) {
    return audio.sampleRate > 0 ? static_cast<double>(audio.frameCount()) / audio.sampleRate : 0.0;
}

// Slack beyond the length of the sound before a playback that does not progress is given up.
constexpr auto kPlaybackSlack = std::chrono::seconds(3);
constexpr auto kProgressInterval = std::chrono::milliseconds(50);
// The position the server reports may stay a few milliseconds short of the end; less than this
// short of it (of the silent tail) counts as whole.
constexpr double kPlayedTolerance = 0.02;

// The server reported less played than the file holds: the end never left the sound card.
class CutShort : public PulseError {
  public:
    using PulseError::PulseError;
};

// "выдано 1,99 с из 4,92 с"
std::string PlayedText(double played, double total) {
    auto seconds = [](double s) {
        std::string text = std::to_string(std::lround(s * 100) / 100) + "," +
                           std::to_string(std::lround(s * 100) % 100 / 10) +
                           std::to_string(std::lround(s * 100) % 10);
        return text + " с";
    };
    return "выдано " + seconds(played) + " из " + seconds(total);
}

// Reports the played fraction to the caller, not more often than every kProgressInterval.
class ProgressReporter {
  public:
    ProgressReporter(const std::function<void(double)>& progress, double totalSeconds)
        : progress_(progress), totalSeconds_(totalSeconds) {}

    void Report(PlaybackStream& stream, bool force = false) {
        if (!progress_) {
            return;
        }
        const auto now = Clock::now();
        if (!force && now - last_ < kProgressInterval) {
            return;
        }
        last_ = now;
        const double fraction =
            totalSeconds_ > 0 ? std::clamp(stream.PlayedSeconds() / totalSeconds_, 0.0, 1.0) : 1.0;
        progress_(fraction);
    }

    void Finish() {
        if (progress_) {
            progress_(1.0);
        }
    }

  private:
    const std::function<void(double)>& progress_;
    double totalSeconds_;
    Clock::time_point last_{};
};

class FilePlayback : public SoundOutput {
  public:
    explicit FilePlayback(std::string applicationName)
        : applicationName_(std::move(applicationName)) {}

    PlayResult PlayFile(const std::string& path, const PlaybackTarget& target,
                        const std::function<void(double)>& progress) override {
        WavAudio audio;
        try {
            audio = ReadWavFile(path);
        } catch (const WavError& e) {
            return PlayFailure("файл \"" + path + "\": " + e.what());
        }
        if (audio.truncated) {
            // A cut signal must not reach the controller as if it were whole.
            return PlayFailure("файл \"" + path +
                               "\" обрезан: данных меньше, чем указано в заголовке");
        }
        ApplyLevel(audio.samples, target.levelPercent);
        try {
            PlayResult result;
            result.deviceDescription = Play(audio, path, target, progress);
            result.played = true;
            return result;
        } catch (const DeviceMissing& e) {
            return PlayFailure(e.what(), true);
        } catch (const CutShort& e) {
            PlayResult result = PlayFailure(e.what());
            result.incomplete = true;
            return result;
        } catch (const PulseError& e) {
            return PlayFailure(e.what());
        }
    }

  private:
    // Returns the description of the output that played the file.
    std::string Play(const WavAudio& audio, const std::string& path, const PlaybackTarget& target,
                     const std::function<void(double)>& progress) {
        PlaybackStream stream({.applicationName = applicationName_,
                               .mediaName = path,
                               .device = target.device,
                               .rate = audio.sampleRate,
                               .channels = audio.channelCount,
                               .useSinkRate = false,
                               .targetLatencyMs = 0,
                               .startAfterMs = 0,
                               .startCorked = false},
                              Clock::now() + kConnectLimit);
        const auto deadline = Clock::now() + kPlaybackSlack +
                              std::chrono::duration_cast<Clock::duration>(
                                  std::chrono::duration<double>(SecondsOf(audio)));
        ProgressReporter reporter(progress, SecondsOf(audio));
        const auto tick = [&] { reporter.Report(stream); };

        const std::span<const std::int16_t> samples(audio.samples);
        std::size_t written = 0;
        while (written < samples.size()) {
            const std::size_t writable = stream.WaitWritable(deadline, tick);
            const std::size_t count = std::min(writable, samples.size() - written);
            stream.Write(samples.subspan(written, count));
            written += count;
            reporter.Report(stream);
        }
        // What is still to come includes the output's own latency, which may be seconds.
        const double ahead = std::max(0.0, SecondsOf(audio) - stream.PlayedSeconds());
        const double played = stream.PlayOut(
            SecondsOf(audio) - kPlayedTolerance,
            Clock::now() + kPlaybackSlack +
                std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(ahead)),
            tick);
        if (played < SecondsOf(audio) - kPlayedTolerance) {
            throw CutShort(PlayedText(played, SecondsOf(audio)));
        }
        reporter.Finish();
        return stream.DeviceDescription(Clock::now() + kConnectLimit);
    }

    std::string applicationName_;
};

}  // namespace

std::unique_ptr<SoundOutput> MakeFilePlayback(const std::string& applicationName) {
    return std::make_unique<FilePlayback>(applicationName);
}

}  // namespace tornel::platform::pulse
