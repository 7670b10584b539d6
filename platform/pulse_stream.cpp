#include "platform/pulse_stream.h"

#include <algorithm>

namespace tornel::platform::pulse {

namespace {

// The longest single wait inside the loop: callers get control back this often.
constexpr auto kLoopSlice = std::chrono::milliseconds(20);

constexpr const char* kInterrupted = "воспроизведение прервано";
constexpr const char* kNoAnswerWhilePlaying = "воспроизведение прервано: сервер не отвечает";
// Latency asked of the whole path for a beep: small, so that it is heard within milliseconds.
constexpr int kBeepLatencyMs = 10;

std::uint32_t BytesForMs(int ms, const pa_sample_spec& format) {
    return static_cast<std::uint32_t>(pa_usec_to_bytes(static_cast<pa_usec_t>(ms) * 1000, &format));
}

}  // namespace

std::string ReasonText(int paError) {
    switch (paError) {
        case PA_ERR_CONNECTIONREFUSED:
            return "соединение отклонено";
        case PA_ERR_ACCESS:
            return "доступ запрещён";
        case PA_ERR_TIMEOUT:
            return "сервер не отвечает";
        case PA_ERR_NOENTITY:
            return "нет устройства вывода звука";
        case PA_ERR_CONNECTIONTERMINATED:
            return "соединение разорвано";
        case PA_ERR_INVALIDSERVER:
            return "неверный адрес сервера";
        case PA_ERR_PROTOCOL:
            return "ошибка протокола";
        case PA_ERR_NOTSUPPORTED:
            return "формат звука не поддерживается";
        case PA_ERR_KILLED:
            return "поток остановлен сервером";
        default:
            return pa_strerror(paError);
    }
}

void OperationDeleter::operator()(pa_operation* op) const {
    // A cancelled operation never calls back into the caller's (by then gone) state.
    if (pa_operation_get_state(op) == PA_OPERATION_RUNNING) {
        pa_operation_cancel(op);
    }
    pa_operation_unref(op);
}

void Connection::ContextDeleter::operator()(pa_context* c) const {
    pa_context_disconnect(c);
    pa_context_unref(c);
}

void StreamDeleter::operator()(pa_stream* s) const {
    pa_stream_disconnect(s);
    pa_stream_unref(s);
}

Connection::Connection(const std::string& applicationName, SteadyClock::time_point deadline)
    : loop_(pa_mainloop_new()) {
    if (!loop_) {
        throw PulseError("нет звукового сервера: не удалось создать цикл событий");
    }
    context_.reset(pa_context_new(pa_mainloop_get_api(loop_.get()), applicationName.c_str()));
    if (!context_) {
        throw PulseError("нет звукового сервера: не удалось создать клиента");
    }
    // No automatic start of a server: when none runs, the operator must hear of it at once.
    if (pa_context_connect(context_.get(), nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        throw PulseError("нет звукового сервера: " + Reason());
    }
    WaitFor(
        [this] {
            const pa_context_state_t state = pa_context_get_state(context_.get());
            if (!PA_CONTEXT_IS_GOOD(state)) {
                throw PulseError("нет звукового сервера: " + Reason());
            }
            return state == PA_CONTEXT_READY;
        },
        deadline, "нет звукового сервера: сервер не отвечает");
}

bool Connection::Usable() const {
    return context_ && PA_CONTEXT_IS_GOOD(pa_context_get_state(context_.get()));
}

std::string Connection::Reason() const {
    return ReasonText(pa_context_errno(context_.get()));
}

void Connection::Iterate(SteadyClock::time_point deadline) {
    const auto remaining =
        std::clamp(deadline - SteadyClock::now(), SteadyClock::duration::zero(),
                   std::chrono::duration_cast<SteadyClock::duration>(kLoopSlice));
    const auto usec = std::chrono::duration_cast<std::chrono::microseconds>(remaining).count();
    if (pa_mainloop_prepare(loop_.get(), static_cast<int>(usec)) < 0 ||
        pa_mainloop_poll(loop_.get()) < 0 || pa_mainloop_dispatch(loop_.get()) < 0) {
        throw PulseError("сбой цикла событий звука");
    }
}

void Connection::Poll() {
    Iterate(SteadyClock::now());
}

void Connection::WaitUntilReady(pa_stream* stream, const std::string& device,
                                const StreamWords& words, SteadyClock::time_point deadline) {
    const std::string cannotOpen = std::string("не удалось открыть ") + words.stream + " звука: ";
    const std::string timeout = cannotOpen + "сервер не отвечает";
    WaitFor(
        [&] {
            const pa_stream_state_t state = pa_stream_get_state(stream);
            if (!PA_STREAM_IS_GOOD(state)) {
                const int error = pa_context_errno(context());
                const std::string missing = std::string("нет устройства ") + words.device;
                if (error == PA_ERR_NOENTITY && !device.empty()) {
                    throw DeviceMissing(missing + " «" + device + "»");
                }
                if (error == PA_ERR_NOENTITY) {
                    throw PulseError(missing + " звука");
                }
                throw PulseError(cannotOpen + ReasonText(error));
            }
            return state == PA_STREAM_READY;
        },
        deadline, timeout.c_str());
}

void Connection::WaitFor(const std::function<bool()>& ready, SteadyClock::time_point deadline,
                         const char* timeoutText) {
    while (!ready()) {
        if (SteadyClock::now() >= deadline) {
            throw PulseError(timeoutText);
        }
        Iterate(deadline);
    }
}

PlaybackStream::PlaybackStream(const std::string& applicationName, const OutputRequest& request,
                               SteadyClock::time_point deadline)
    : connection_(applicationName, deadline), beep_(request.beep) {
    const pa_sample_spec format{PA_SAMPLE_S16LE,
                                static_cast<std::uint32_t>(request.rate > 0 ? request.rate : 48000),
                                static_cast<std::uint8_t>(request.channels)};
    stream_.reset(
        pa_stream_new(connection_.context(), request.mediaName.c_str(), &format, nullptr));
    if (!stream_) {
        throw PulseError("не удалось открыть вывод звука: " + connection_.Reason());
    }
    int flags = PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE;
    if (request.rate == 0) {
        flags |= PA_STREAM_FIX_RATE;
    }
    pa_buffer_attr attr{};
    const pa_buffer_attr* attrPtr = nullptr;  // the server's own buffering
    if (request.beep) {
        flags |= PA_STREAM_ADJUST_LATENCY | PA_STREAM_START_CORKED;
        attr.maxlength = static_cast<std::uint32_t>(-1);
        attr.tlength = BytesForMs(kBeepLatencyMs, format);
        // Start as soon as any sample is there: a beep must not wait for a full buffer.
        attr.prebuf = static_cast<std::uint32_t>(pa_frame_size(&format));
        attr.minreq = static_cast<std::uint32_t>(-1);
        attr.fragsize = static_cast<std::uint32_t>(-1);
        attrPtr = &attr;
    }
    const char* device = nullptr;
    if (!request.device.empty()) {
        // The operator chose this output: if it goes away the stream ends rather than moving.
        flags |= PA_STREAM_DONT_MOVE;
        device = request.device.c_str();
    }
    if (pa_stream_connect_playback(stream_.get(), device, attrPtr,
                                   static_cast<pa_stream_flags_t>(flags), nullptr, nullptr) < 0) {
        throw PulseError("не удалось открыть вывод звука: " + connection_.Reason());
    }
    connection_.WaitUntilReady(stream_.get(), request.device, {"вывода", "вывод"}, deadline);
    const pa_sample_spec* actual = pa_stream_get_sample_spec(stream_.get());
    rate_ = static_cast<int>(actual->rate);
    channels_ = actual->channels;
}

void PlaybackStream::ThrowIfBroken() const {
    if (!connection_.Usable() || !PA_STREAM_IS_GOOD(pa_stream_get_state(stream_.get()))) {
        throw PulseError(std::string(kInterrupted) + ": " + connection_.Reason());
    }
}

std::string PlaybackStream::device() const {
    const char* name = pa_stream_get_device_name(stream_.get());
    return name != nullptr ? name : "";
}

std::size_t PlaybackStream::Write(std::span<const std::int16_t> samples,
                                  SteadyClock::time_point until) {
    const std::size_t frameBytes = sizeof(std::int16_t) * static_cast<std::size_t>(channels_);
    std::size_t room = 0;
    connection_.WaitFor(
        [&] {
            ThrowIfBroken();
            room = pa_stream_writable_size(stream_.get());
            if (room == static_cast<std::size_t>(-1)) {
                ThrowIfBroken();
                room = 0;
            }
            return beep_ || room >= frameBytes || SteadyClock::now() >= until;
        },
        until + kConnectLimit, kNoAnswerWhilePlaying);
    const std::size_t bytes =
        (beep_ ? samples.size_bytes() : std::min(room, samples.size_bytes())) / frameBytes *
        frameBytes;
    if (bytes > 0 &&
        pa_stream_write(stream_.get(), samples.data(), bytes, nullptr, 0, PA_SEEK_RELATIVE) < 0) {
        ThrowIfBroken();
        throw PulseError(std::string(kInterrupted) + ": " + connection_.Reason());
    }
    return bytes / sizeof(std::int16_t);
}

double PlaybackStream::PlayedSeconds() {
    connection_.Poll();  // the answers that came meanwhile, for a caller that never waits
    ThrowIfBroken();
    const auto now = SteadyClock::now();
    if (!timing_ || pa_operation_get_state(timing_.get()) != PA_OPERATION_RUNNING) {
        timing_.reset(pa_stream_update_timing_info(stream_.get(), nullptr, nullptr));
        timingAsked_ = now;
    } else if (now - timingAsked_ > kConnectLimit) {
        throw PulseError(kNoAnswerWhilePlaying);
    }
    pa_usec_t usec = 0;
    if (pa_stream_get_time(stream_.get(), &usec) < 0) {
        return 0.0;
    }
    return static_cast<double>(usec) / 1e6;
}

void PlaybackStream::Drain(SteadyClock::time_point deadline) {
    AwaitOperation(
        [this](pa_stream_success_cb_t done, void* userdata) {
            return pa_stream_drain(stream_.get(), done, userdata);
        },
        deadline);
}

void PlaybackStream::SetPaused(bool paused, SteadyClock::time_point deadline) {
    AwaitOperation(
        [this, paused](pa_stream_success_cb_t done, void* userdata) {
            return pa_stream_cork(stream_.get(), paused ? 1 : 0, done, userdata);
        },
        deadline);
}

void PlaybackStream::AwaitOperation(const StartOperation& start, SteadyClock::time_point deadline) {
    struct Answer {
        bool done = false;
        bool success = false;
    } answer;
    auto onAnswer = [](pa_stream*, int success, void* userdata) {
        auto* a = static_cast<Answer*>(userdata);
        a->done = true;
        a->success = success != 0;
    };
    const Operation op(start(onAnswer, &answer));
    if (!op) {
        ThrowIfBroken();
        throw PulseError(std::string(kInterrupted) + ": " + connection_.Reason());
    }
    connection_.WaitFor(
        [&] {
            ThrowIfBroken();
            return answer.done;
        },
        deadline, kNoAnswerWhilePlaying);
    if (!answer.success) {
        throw PulseError(std::string(kInterrupted) + ": " + connection_.Reason());
    }
}

}  // namespace tornel::platform::pulse
