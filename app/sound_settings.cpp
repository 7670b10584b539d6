#include "app/sound_settings.h"

namespace tornel::app {

namespace {

constexpr const char* kDeviceKey = "sound/device";
constexpr const char* kDescriptionKey = "sound/deviceDescription";
constexpr const char* kLevelKey = "sound/level";
constexpr const char* kCheckInputKey = "sound/checkInput";
constexpr const char* kCheckDescriptionKey = "sound/checkInputDescription";

// The text of `key`, or empty when it holds something else (a list, a group).
std::string TextOf(const QSettings& settings, const char* key) {
    const QVariant value = settings.value(QString::fromLatin1(key));
    if (value.typeId() != QMetaType::QString) {
        return {};
    }
    return value.toString().toStdString();
}

}  // namespace

SoundSettings ReadSoundSettings(QSettings& settings) {
    SoundSettings sound;
    const std::string device = TextOf(settings, kDeviceKey);
    const std::string description = TextOf(settings, kDescriptionKey);
    const std::string checkInput = TextOf(settings, kCheckInputKey);
    const std::string checkDescription = TextOf(settings, kCheckDescriptionKey);
    bool isNumber = false;
    const int level = QString::fromStdString(TextOf(settings, kLevelKey)).toInt(&isNumber);
    if (settings.status() != QSettings::NoError) {
        return sound;
    }
    sound.device = device;
    sound.deviceDescription = device.empty() ? std::string() : description;
    sound.checkInput = checkInput;
    sound.checkInputDescription = checkInput.empty() ? std::string() : checkDescription;
    if (isNumber && level >= platform::kLevelMin && level <= platform::kLevelMax) {
        sound.level = level;
    }
    return sound;
}

void WriteSoundSettings(QSettings& settings, const SoundSettings& sound) {
    settings.setValue(QString::fromLatin1(kDeviceKey), QString::fromStdString(sound.device));
    settings.setValue(QString::fromLatin1(kDescriptionKey),
                      QString::fromStdString(sound.deviceDescription));
    settings.setValue(QString::fromLatin1(kLevelKey), QString::number(sound.level));
    settings.setValue(QString::fromLatin1(kCheckInputKey),
                      QString::fromStdString(sound.checkInput));
    settings.setValue(QString::fromLatin1(kCheckDescriptionKey),
                      QString::fromStdString(sound.checkInputDescription));
    settings.sync();
}

std::unique_ptr<QSettings> OpenUserSettings() {
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                       QStringLiteral("tornel4"), QStringLiteral("tornel4"));
}

}  // namespace tornel::app
