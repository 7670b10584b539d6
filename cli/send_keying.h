#pragma once
// The transmitter of `send --ptt`: keyed around the playback, released after it, at the hard
// limit, and on Ctrl-C or SIGTERM (cli/send_keying.cpp; a build without the keying core, for
// other targets, has cli/keying_absent.cpp, which refuses a choice that keys).

#include <functional>
#include <memory>
#include <string>

#include "cli/options.h"

namespace tornel::cli {

class ReleaseOnSignal;

class SendKeying {
  public:
    // With a choice that keys, SIGINT and SIGTERM release the transmitter from here on: make it
    // before the sound module, so that its threads inherit the blocked signals. Opens nothing.
    explicit SendKeying(const Options& options);
    ~SendKeying();
    SendKeying(const SendKeying&) = delete;
    SendKeying& operator=(const SendKeying&) = delete;

    // Runs `play`, which returns once the last sample has been played, with the reason when not
    // all was (empty: all was). With a choice that keys: opens the transmitter, keys it, waits the
    // TX delay, plays, waits the TX tail and releases; a transmitter that cannot be opened or
    // keyed plays nothing. Returns the reason of a failure in Russian, empty on success.
    std::string Play(const std::function<std::string()>& play);

  private:
    const Options& options_;
    std::unique_ptr<ReleaseOnSignal> signals_;
};

}  // namespace tornel::cli
