#pragma once
// One send with the transmitter keyed around it, for the window and the command line alike: key,
// wait the TX delay, play to the last sample, wait the TX tail, release.

#include <chrono>
#include <functional>
#include <string>

#include "ptt/keyed_session.h"

namespace tornel::ptt {

// Waits `span`; the window keeps painting meanwhile, the command line just sleeps.
using Wait = std::function<void(std::chrono::milliseconds span)>;

template <typename Result>
struct KeyedPlayResult {
    Result played;
    std::string releaseError;  // Russian: the transmitter did not take the release
    // Russian, naming the transmitter: the hard limit released it before the send was done, so
    // the end of the signal (or of the tail) went out unkeyed.
    std::string limitError;
};

// Keys `session` (a PttError leaves nothing played), waits the delay, runs `play`, which returns
// once the sound card has played the last sample, waits the tail and releases. When `play`
// throws, the session is released before the exception goes on. A send the watchdog cut short
// says so in `limitError`.
template <typename Result>
KeyedPlayResult<Result> KeyedPlay(KeyedSession& session, const KeyingTimes& times, const Wait& wait,
                                  const std::function<Result()>& play) {
    session.Key();
    KeyedPlayResult<Result> result{};
    try {
        wait(std::chrono::milliseconds(times.txDelayMs));
        result.played = play();
        wait(std::chrono::milliseconds(times.txTailMs));
        if (session.expired()) {
            result.limitError = session.label() +
                                ": предельное время передачи истекло, передатчик отпущен до конца "
                                "выдачи";
        }
    } catch (...) {
        try {
            session.Release();
        } catch (const PttError&) {
            // The first failure is the one to report; the session's end tries once more.
        }
        throw;
    }
    try {
        session.Release();
    } catch (const PttError& e) {
        result.releaseError = e.what();
    }
    return result;
}

}  // namespace tornel::ptt
