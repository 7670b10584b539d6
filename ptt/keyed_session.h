#pragma once
// The transmitter keyed for one send or one run of the carrier pattern, never longer: released
// when the session ends, however it ends, and by a watchdog thread when the hard limit has passed,
// whatever the rest of the program is doing (stuck in a sound call, say).

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>
#include <utility>

#include "ptt/transmitter.h"

namespace tornel::ptt {

// What the hard limit allows beyond the length of the send or the pattern.
inline constexpr std::chrono::seconds kHardLimitMargin{2};

// How long a send may keep the transmitter keyed: delay, the file played, tail, and the margin.
// The whole file plays, the silence after the signal too: `fileSamples` are all of its samples.
std::chrono::milliseconds SendLimit(const KeyingTimes& times, std::size_t fileSamples,
                                    int sampleRate);

class KeyedSession {
  public:
    // Starts the watchdog: from now on the transmitter is released `limit` later at the latest.
    // Nothing is keyed yet. `transmitter` must outlive the session.
    KeyedSession(Transmitter& transmitter, std::chrono::milliseconds limit);
    ~KeyedSession();
    KeyedSession(const KeyedSession&) = delete;
    KeyedSession& operator=(const KeyedSession&) = delete;

    // PTT pressed or released; both may be called from any thread. Key throws PttError when the
    // transmitter refuses or the limit has passed (then it stays released); Release throws when
    // the transmitter refuses.
    void Key();
    void Release();
    // Keys or releases so that the PTT stands at `pttOn`; true when that was an edge.
    bool Follow(bool pttOn);
    // Releases for good: every later Key throws. For a process that is about to end, so that
    // nothing keys between the release and the end.
    void Close();
    bool keyed() const;
    // The watchdog released the transmitter: the limit passed while it was keyed.
    bool expired() const;
    const std::string& label() const { return transmitter_.Label(); }

  private:
    void Watch(std::stop_token stop, std::chrono::steady_clock::time_point deadline);
    void KeyLocked();
    void ReleaseLocked();

    Transmitter& transmitter_;
    mutable std::mutex mutex_;
    std::condition_variable_any wake_;
    bool keyed_ = false;
    bool expired_ = false;
    bool closed_ = false;
    std::jthread watchdog_;  // last: started once everything it reads is set up
};

// A transmitter opened for one send or one run, with its session: the session ends (releasing)
// before the transmitter is closed.
class TransmitterRun {
  public:
    TransmitterRun(std::unique_ptr<Transmitter> transmitter, std::chrono::milliseconds limit)
        : transmitter_(std::move(transmitter)), session_(*transmitter_, limit) {}
    KeyedSession& session() { return session_; }

  private:
    std::unique_ptr<Transmitter> transmitter_;
    KeyedSession session_;
};

}  // namespace tornel::ptt
