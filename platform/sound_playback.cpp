// What the program does with a backend's raw streams, written once for every backend: the send
// of a WAV file to its last sample, the check tone in the background, the trainer's beep, and
// the SoundBackend that hands them out.

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>
#include <utility>

#include "platform/device_label.h"
#include "platform/sound_backend.h"
#include "platform/sound_level.h"
#include "signal/synthesizer.h"
#include "signal/wav_reader.h"

namespace tornel::platform {

namespace {

using SteadyClock = std::chrono::steady_clock;

// Beyond the length of a sound, how long its playback may take before it is given up.
constexpr auto kPlaybackSlack = std::chrono::seconds(4);
// The longest single wait on a stream: the progress and a window's painting come this often.
constexpr auto kSlice = std::chrono::milliseconds(20);
constexpr auto kProgressInterval = std::chrono::milliseconds(50);
// The position the server reports may stay a few milliseconds short of the end; less than this
// short of it (of the silent tail) counts as whole.
constexpr double kPlayedTolerance = 0.02;
// Whole frames of silence for any channel count up to 8.
constexpr std::size_t kSilenceSamples = 840 * 4;

// After a failed open, beeps stay silent for this long before the next attempt, so that a
// missing server costs the trainer no time on every edge.
constexpr auto kBeepRetryInterval = std::chrono::seconds(2);
constexpr auto kBeepSlack = std::chrono::seconds(1);

SteadyClock::duration Duration(double seconds) {
    return std::chrono::duration_cast<SteadyClock::duration>(
        std::chrono::duration<double>(seconds));
}

// "выдано 1,99 с из 4,92 с"
std::string PlayedText(double played, double total) {
    auto seconds = [](double s) {
        const long hundredths = std::lround(s * 100);
        return std::to_string(hundredths / 100) + "," + std::to_string(hundredths % 100 / 10) +
               std::to_string(hundredths % 10) + " с";
    };
    return "выдано " + seconds(played) + " из " + seconds(total);
}

// A sound on its way through a stream, up to the moment the server has played its last sample.
// A drain would not do: the server acknowledges it once the output has taken the samples, which
// may be its whole latency (seconds, for some outputs) before they are heard, and a stream
// closed then is cut off. So the stream is fed with silence after the sound: it never runs dry,
// and its position counts on until the end of the sound has been played.
class Playing {
  public:
    Playing(OutputStream& stream, std::span<const std::int16_t> samples, int channels)
        : stream_(stream),
          rest_(samples),
          seconds_(static_cast<double>(samples.size()) / channels / stream.rate()),
          deadline_(SteadyClock::now() + Duration(seconds_) + kPlaybackSlack) {}

    // Hands the stream what it takes by `until`; true once the whole sound has been played.
    bool Step(SteadyTime until) {
        static const std::vector<std::int16_t> silence(kSilenceSamples);
        const std::span<const std::int16_t> next = rest_.empty() ? silence : rest_;
        const std::size_t taken = stream_.Write(next, std::min(until, deadline_));
        if (!rest_.empty()) {
            rest_ = rest_.subspan(taken);
        }
        played_ = stream_.PlayedSeconds();
        return rest_.empty() && played_ >= seconds_ - kPlayedTolerance;
    }
    bool Late() const { return SteadyClock::now() >= deadline_; }
    double played() const { return played_; }
    double seconds() const { return seconds_; }

  private:
    OutputStream& stream_;
    std::span<const std::int16_t> rest_;
    double seconds_;
    SteadyTime deadline_;
    double played_ = 0.0;
};

// Plays `samples` to the moment its last sample has been heard, calling `between` after each
// round; returns how much the server played by then. Throws SoundError when the stream fails.
double PlayToEnd(OutputStream& stream, std::span<const std::int16_t> samples, int channels,
                 const std::function<void(double)>& between) {
    Playing playing(stream, samples, channels);
    while (!playing.Step(SteadyClock::now() + kSlice) && !playing.Late()) {
        between(playing.played());
    }
    return playing.played();
}

PlayResult CutShort(double played, double seconds) {
    PlayResult result = PlayFailure(PlayedText(played, seconds));
    result.incomplete = true;
    return result;
}

// How the status line names the output `name` (DeviceLabel); its name when not listed.
std::string OutputDescription(const SoundDevices& devices, const std::string& name) {
    const auto it = std::ranges::find(devices.outputs, name, &SoundDevice::name);
    return it != devices.outputs.end() ? DeviceLabel(devices.outputs, *it) : name;
}

class FilePlayer : public SoundOutput {
  public:
    explicit FilePlayer(std::shared_ptr<SoundStreams> streams) : streams_(std::move(streams)) {}

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
            return Play(audio, path, target, progress);
        } catch (const DeviceMissing& e) {
            return PlayFailure(e.what(), true);
        } catch (const SoundError& e) {
            return PlayFailure(e.what());
        }
    }

  private:
    PlayResult Play(const WavAudio& audio, const std::string& path, const PlaybackTarget& target,
                    const std::function<void(double)>& progress) {
        const auto stream = streams_->OpenOutput({.device = target.device,
                                                  .mediaName = path,
                                                  .rate = audio.sampleRate,
                                                  .channels = audio.channelCount});
        const double seconds =
            static_cast<double>(audio.frameCount()) / std::max(audio.sampleRate, 1);
        auto lastReport = SteadyClock::time_point{};
        const double played =
            PlayToEnd(*stream, audio.samples, audio.channelCount, [&](double playedSoFar) {
                if (progress && SteadyClock::now() - lastReport >= kProgressInterval) {
                    lastReport = SteadyClock::now();
                    progress(seconds > 0 ? std::clamp(playedSoFar / seconds, 0.0, 1.0) : 1.0);
                }
            });
        if (played < seconds - kPlayedTolerance) {
            return CutShort(played, seconds);
        }
        if (progress) {
            progress(1.0);
        }
        PlayResult result;
        result.played = true;
        result.deviceDescription = OutputDescription(streams_->ListDevices(), stream->device());
        return result;
    }

    std::shared_ptr<SoundStreams> streams_;
};

// Kept going by Pump, without ever waiting.
class BackgroundPlayer : public BackgroundPlayback {
  public:
    BackgroundPlayer(SoundStreams& streams, std::vector<std::int16_t> samples, int rate,
                     const PlaybackTarget& target)
        : samples_(std::move(samples)) {
        ApplyLevel(samples_, target.levelPercent);
        try {
            stream_ = streams.OpenOutput(
                {.device = target.device, .mediaName = "проверка", .rate = rate, .channels = 1});
            playing_.emplace(*stream_, samples_, 1);
        } catch (const SoundError& e) {
            Fail(e);
        }
    }

    bool Pump() override {
        if (!stream_) {
            return false;
        }
        try {
            if (playing_->Step(SteadyClock::now())) {
                result_.played = true;
                stream_.reset();
                return false;
            }
            if (playing_->Late()) {
                throw SoundError(PlayedText(playing_->played(), playing_->seconds()));
            }
            return true;
        } catch (const SoundError& e) {
            Fail(e);
            return false;
        }
    }

    const PlayResult& result() const override { return result_; }

  private:
    void Fail(const SoundError& e) {
        playing_.reset();
        stream_.reset();
        result_.error = e.what();
        result_.deviceMissing = dynamic_cast<const DeviceMissing*>(&e) != nullptr;
    }

    std::vector<std::int16_t> samples_;
    std::unique_ptr<OutputStream> stream_;
    std::optional<Playing> playing_;  // on stream_ and samples_
    PlayResult result_;
};

std::vector<std::int16_t> SineTone(int frequencyHz, int durationMs, int rate) {
    const auto count = static_cast<std::size_t>(static_cast<long long>(rate) * durationMs / 1000);
    std::vector<std::int16_t> samples(count);
    // Nothing audible is possible at or above half the rate; the beep keeps its length silent.
    if (2 * frequencyHz >= rate) {
        return samples;
    }
    const double step = 2.0 * std::numbers::pi * frequencyHz / rate;
    for (std::size_t i = 0; i < count; ++i) {
        samples[i] = static_cast<std::int16_t>(std::lround(kBeepAmplitude * std::sin(step * i)));
    }
    return samples;
}

// Beeps through one stream opened at start and kept ready: opening a stream for each beep would
// make it start tens to hundreds of milliseconds late. Between beeps the stream is paused, so
// that the program takes no part in the desktop's mixing and the server can suspend the output.
class BeepPlayer : public ToneOutput {
  public:
    explicit BeepPlayer(std::shared_ptr<SoundStreams> streams) : streams_(std::move(streams)) {
        TryOpen();
    }

    void Beep(int frequencyHz, int durationMs) override {
        if (frequencyHz <= 0 || durationMs <= 0 || !EnsureOpen()) {
            return;
        }
        try {
            const auto tone = SineTone(frequencyHz, durationMs, stream_->rate());
            const auto deadline =
                SteadyClock::now() + std::chrono::milliseconds(durationMs) + kBeepSlack;
            // Written while paused, so that the tone is there the moment the stream resumes.
            stream_->Write(tone, deadline);
            stream_->SetPaused(false, deadline);
            stream_->Drain(deadline);
            stream_->SetPaused(true, deadline);
        } catch (const SoundError&) {
            stream_.reset();  // reopened at a later beep; a beep fails silently
        }
    }

  private:
    bool EnsureOpen() {
        if (stream_) {
            return true;
        }
        if (lastAttempt_ && SteadyClock::now() - *lastAttempt_ < kBeepRetryInterval) {
            return false;
        }
        TryOpen();
        return stream_ != nullptr;
    }

    void TryOpen() {
        lastAttempt_ = SteadyClock::now();
        try {
            stream_ = streams_->OpenOutput(
                {.device = {}, .mediaName = "beep", .rate = 0, .channels = 1, .beep = true});
        } catch (const SoundError&) {
            stream_.reset();
        }
    }

    std::shared_ptr<SoundStreams> streams_;
    std::unique_ptr<OutputStream> stream_;
    std::optional<SteadyTime> lastAttempt_;
};

class StreamSoundBackend : public SoundBackend {
  public:
    explicit StreamSoundBackend(std::shared_ptr<SoundStreams> streams)
        : streams_(std::move(streams)) {}

    std::unique_ptr<SoundOutput> MakeSoundOutput() override {
        return std::make_unique<FilePlayer>(streams_);
    }
    std::unique_ptr<ToneOutput> MakeToneOutput() override {
        return std::make_unique<BeepPlayer>(streams_);
    }
    std::unique_ptr<SoundInput> MakeSoundInput(const std::string& device) override {
        return streams_->OpenInput(device);
    }
    SoundDevices ListDevices() override { return streams_->ListDevices(); }
    std::unique_ptr<DeviceWatch> WatchDevices() override { return streams_->WatchDevices(); }
    std::unique_ptr<BackgroundPlayback> StartCheckTone(const PlaybackTarget& target) override {
        return std::make_unique<BackgroundPlayer>(*streams_, CheckToneSamples(), kSampleRate,
                                                  target);
    }

  private:
    std::shared_ptr<SoundStreams> streams_;
};

}  // namespace

std::unique_ptr<SoundBackend> MakeSoundBackend(std::shared_ptr<SoundStreams> streams) {
    return std::make_unique<StreamSoundBackend>(std::move(streams));
}

}  // namespace tornel::platform
