// Playback of a WAV file through the PulseAudio server, to its last sample.

#include <algorithm>
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
// Samples go to the server in pieces of this length, with a progress report between pieces.
constexpr int kChunkMs = 50;
// Playback starts with this much buffered; the rest of the (large) buffer fills while it plays,
// so the first sample goes out at once and a slow progress callback cannot starve the stream.
constexpr int kStartAfterMs = 150;
constexpr auto kProgressInterval = std::chrono::milliseconds(50);

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
                               .startAfterMs = kStartAfterMs,
                               .startCorked = false},
                              Clock::now() + kConnectLimit);
        const auto deadline = Clock::now() + kPlaybackSlack +
                              std::chrono::duration_cast<Clock::duration>(
                                  std::chrono::duration<double>(SecondsOf(audio)));
        ProgressReporter reporter(progress, SecondsOf(audio));
        const auto tick = [&] { reporter.Report(stream); };

        const std::size_t chunk = static_cast<std::size_t>(audio.sampleRate) * kChunkMs / 1000 *
                                  static_cast<std::size_t>(audio.channelCount);
        const std::span<const std::int16_t> samples(audio.samples);
        std::size_t written = 0;
        while (written < samples.size()) {
            const std::size_t writable = stream.WaitWritable(deadline, tick);
            const std::size_t count = std::min({writable, chunk, samples.size() - written});
            stream.Write(samples.subspan(written, count));
            written += count;
            reporter.Report(stream);
        }
        stream.Drain(deadline, tick);
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
