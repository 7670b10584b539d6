// Recording from a PulseAudio source: one record stream in small fragments, so that samples reach
// the decoder within a few tens of milliseconds of their arrival at the input.

#include <algorithm>

#include "platform/pulse_backend.h"
#include "platform/pulse_stream.h"
#include "signal/signal_constants.h"

namespace tornel::platform::pulse {

namespace {

// The server hands recorded samples over in fragments of this length.
constexpr int kFragmentMs = 20;
// One Read hands over at most this much, so that a backlog (a caller that fell behind, or input
// fed faster than real time) reaches the caller in pieces of bounded size.
constexpr int kMostPerReadMs = 200;
// The rates the decoder takes; a source outside them is recorded at the highest.
constexpr int kMinRate = kMinDecoderRate, kMaxRate = kMaxDecoderRate;

class PulseSoundInput : public SoundInput {
  public:
    PulseSoundInput(const std::string& applicationName, const std::string& device)
        : connection_(applicationName, SteadyClock::now() + kConnectLimit) {
        const auto deadline = SteadyClock::now() + kConnectLimit;
        Open(device, 0, deadline);
        if (rate_ < kMinRate || rate_ > kMaxRate) {
            Open(device, kMaxRate, deadline);
        }
        description_ = device.empty() ? "вход по умолчанию" : device;
        const char* source = pa_stream_get_device_name(stream_.get());
        if (source != nullptr) {
            description_ = source;
        }
    }

    int rate() const override { return rate_; }
    const std::string& deviceDescription() const override { return description_; }

    void Read(std::vector<float>& out, std::chrono::milliseconds limit) override {
        const auto until = SteadyClock::now() + limit;
        // With nothing at hand, what the server has sent meanwhile is taken in first, so that a
        // caller that never waits (limit 0, between the pieces of a playback) still gets it.
        ThrowIfBroken();
        if (pa_stream_readable_size(stream_.get()) == 0) {
            connection_.Poll();
        }
        connection_.WaitFor(
            [&] {
                ThrowIfBroken();
                return pa_stream_readable_size(stream_.get()) > 0 || SteadyClock::now() >= until;
            },
            until + kConnectLimit, "запись прервана: сервер не отвечает");
        const void* data = nullptr;
        std::size_t bytes = 0;
        const std::size_t most =
            out.size() + static_cast<std::size_t>(rate_ * kMostPerReadMs / 1000);
        while (out.size() < most && pa_stream_readable_size(stream_.get()) > 0 &&
               pa_stream_peek(stream_.get(), &data, &bytes) == 0 && bytes > 0) {
            const std::size_t count = bytes / sizeof(std::int16_t);
            if (data == nullptr) {  // a hole in the recording: silence
                out.insert(out.end(), count, 0.0f);
            } else {
                const auto* samples = static_cast<const std::int16_t*>(data);
                out.insert(out.end(), samples, samples + count);
            }
            pa_stream_drop(stream_.get());
        }
    }

  private:
    // Opens the record stream at `rate`, or at the source's own rate when `rate` is 0.
    void Open(const std::string& device, int rate, SteadyClock::time_point deadline) {
        const pa_sample_spec format{PA_SAMPLE_S16LE,
                                    static_cast<std::uint32_t>(rate > 0 ? rate : kMaxRate), 1};
        stream_.reset(pa_stream_new(connection_.context(), "контроль", &format, nullptr));
        if (!stream_) {
            throw PulseError("не удалось открыть вход звука: " + connection_.Reason());
        }
        int flags = PA_STREAM_ADJUST_LATENCY;
        if (rate == 0) {
            flags |= PA_STREAM_FIX_RATE;
        }
        if (!device.empty()) {
            flags |= PA_STREAM_DONT_MOVE;  // the operator chose this input
        }
        pa_buffer_attr attr{};
        attr.maxlength = static_cast<std::uint32_t>(-1);
        attr.fragsize = static_cast<std::uint32_t>(
            pa_usec_to_bytes(static_cast<pa_usec_t>(kFragmentMs) * 1000, &format));
        if (pa_stream_connect_record(stream_.get(), device.empty() ? nullptr : device.c_str(),
                                     &attr, static_cast<pa_stream_flags_t>(flags)) < 0) {
            throw PulseError("не удалось открыть вход звука: " + connection_.Reason());
        }
        connection_.WaitUntilReady(stream_.get(), device, {"ввода", "вход"}, deadline);
        rate_ = static_cast<int>(pa_stream_get_sample_spec(stream_.get())->rate);
    }

    void ThrowIfBroken() const {
        if (!connection_.Usable() || !PA_STREAM_IS_GOOD(pa_stream_get_state(stream_.get()))) {
            throw PulseError("запись прервана: " + connection_.Reason());
        }
    }

    Connection connection_;  // first in, last out: the stream lives on it
    Stream stream_;
    int rate_ = 0;
    std::string description_;
};

}  // namespace

std::unique_ptr<SoundInput> MakeSoundInput(const std::string& applicationName,
                                           const std::string& device) {
    return std::make_unique<PulseSoundInput>(applicationName, device);
}

}  // namespace tornel::platform::pulse
