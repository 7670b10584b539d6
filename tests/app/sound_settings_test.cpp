// Reading the remembered sound setup: whatever the file holds, the program starts.

#include "app/sound_settings.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>

namespace tornel::app {
namespace {

class SoundSettingsFile : public ::testing::Test {
  protected:
    QString Path() const { return dir.filePath(QStringLiteral("tornel4.ini")); }
    SoundSettings ReadText(const std::string& text) const {
        std::ofstream(Path().toStdString(), std::ios::binary) << text;
        QSettings settings(Path(), QSettings::IniFormat);
        return ReadSoundSettings(settings);
    }

    QTemporaryDir dir;
};

TEST_F(SoundSettingsFile, WrittenSettingsReadBack) {
    const SoundSettings chosen{.device = "alsa_output.usb",
                               .deviceDescription = "USB Audio",
                               .level = 35,
                               .checkInput = "alsa_input.usb",
                               .checkInputDescription = "USB Audio, линейный вход",
                               .transmitter = ptt::ParsePttChoice("cm108:/dev/hidraw2:4"),
                               .keying = {.txDelayMs = 0, .txTailMs = ptt::kTxTailMaxMs}};
    {
        QSettings settings(Path(), QSettings::IniFormat);
        WriteSoundSettings(settings, chosen);
    }
    QSettings settings(Path(), QSettings::IniFormat);
    EXPECT_EQ(ReadSoundSettings(settings), chosen);
}

TEST_F(SoundSettingsFile, NonsenseGivesTheDefaultOfEachValue) {
    const SoundSettings defaults;
    struct Case {
        std::string text;
        SoundSettings expected;
    };
    const std::vector<Case> cases{
        {"", defaults},
        {"[sound]\nlevel=abc\n", defaults},
        {"[sound]\nlevel=101\n", defaults},
        {"[sound]\nlevel=-1\n", defaults},
        {"[sound]\nlevel=5.5\n", defaults},
        {"[sound]\nlevel=0\n", {.level = platform::kLevelMin}},  // silence is a level
        {"[sound]\ndevice=a, b\nlevel=20\n", {"", "", 20}},      // a list is no device name
        {"[sound]\ncheckInput=a, b\n", defaults},
        {"[sound]\ndevice=out\nlev", defaults},  // cut in the middle of a line
        {"\xff\xfe\x00garbage\n[[[\n=\n", defaults},
        {"[transmitter]\nptt=rts:\n", defaults},  // a transmitter that is no choice keys nothing
        {"[transmitter]\nptt=cat:1:/dev/ttyUSB0:1234\n", defaults},
        {"[transmitter]\ntxDelayMs=" + std::to_string(ptt::kTxDelayMaxMs + 1) + "\n", defaults},
        {"[transmitter]\ntxTailMs=-1\n", defaults},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ReadText(c.text), c.expected) << c.text;
    }
}

TEST_F(SoundSettingsFile, UnreadableFileGivesTheDefaults) {
    std::filesystem::create_directory(Path().toStdString());  // a folder where the file should be
    QSettings settings(Path(), QSettings::IniFormat);
    EXPECT_EQ(ReadSoundSettings(settings), SoundSettings{});
}

}  // namespace
}  // namespace tornel::app
