#pragma once
// The sound setup the window remembers between runs: the output the signal is played on (by the
// server's name, with its description for messages), the level, and the input that listens to
// each send to check it, and how the transmitter is keyed (none by default) with its TX delay and
// tail. Kept in the user's settings file in the desktop's configuration folder;
// the trainer's beeps do not use it.

#include <QSettings>
#include <memory>
#include <string>

#include "platform/sound_level.h"
#include "platform/sound_output.h"
#include "ptt/keyed_session.h"
#include "ptt/ptt_choice.h"

namespace tornel::app {

struct SoundSettings {
    std::string device{};  // the server's name; empty: the system default output
    // How the sound setup named it when it was chosen (platform::DeviceLabel): the desktop's
    // description, with the server's name beside it where another output had the same one.
    std::string deviceDescription{};
    int level = platform::kLevelMax;
    std::string checkInput{};  // the server's name of the input; empty: no check (the default)
    std::string checkInputDescription{};  // likewise
    ptt::PttChoice transmitter{};         // none: nothing is keyed (the default)
    ptt::KeyingTimes keying{};

    platform::PlaybackTarget Target() const { return {device, level}; }
    // How messages name the chosen output and the check input: as remembered, else by name.
    std::string DeviceLabel() const {
        return deviceDescription.empty() ? device : deviceDescription;
    }
    std::string CheckInputLabel() const {
        return checkInputDescription.empty() ? checkInput : checkInputDescription;
    }
    friend bool operator==(const SoundSettings&, const SoundSettings&) = default;
};

// Reads the sound setup. A file that cannot be read, or a value that is missing or makes no sense
// (a level that is not a whole number in 0..100, a name that is not text, a transmitter that is
// no choice, a TX delay or tail outside its range), gives the default of that value: the program
// always starts.
SoundSettings ReadSoundSettings(QSettings& settings);
void WriteSoundSettings(QSettings& settings, const SoundSettings& sound);

// The user's settings file of the program (tornel4/tornel4.ini in the configuration folder).
std::unique_ptr<QSettings> OpenUserSettings();

}  // namespace tornel::app
