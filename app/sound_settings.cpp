#include "app/sound_settings.h"

namespace tornel::app {

namespace {

constexpr const char* kDeviceKey = "sound/device";
constexpr const char* kDescriptionKey = "sound/deviceDescription";
constexpr const char* kLevelKey = "sound/level";
constexpr const char* kCheckInputKey = "sound/checkInput";
constexpr const char* kCheckDescriptionKey = "sound/checkInputDescription";
constexpr const char* kTransmitterKey = "transmitter/ptt";
constexpr const char* kTxDelayKey = "transmitter/txDelayMs";
constexpr const char* kTxTailKey = "transmitter/txTailMs";

// The text of `key`, or empty when it holds something else (a list, a group).
std::string TextOf(const QSettings& settings, const char* key) {
    const QVariant value = settings.value(QString::fromLatin1(key));
    if (value.typeId() != QMetaType::QString) {
        return {};
    }
    return value.toString().toStdString();
}

// The whole number of `key` when it lies in [min, max]; else `fallback`.
int NumberOf(const QSettings& settings, const char* key, int min, int max, int fallback) {
    bool isNumber = false;
    const int value = QString::fromStdString(TextOf(settings, key)).toInt(&isNumber);
    return isNumber && value >= min && value <= max ? value : fallback;
}

ptt::PttChoice TransmitterOf(const QSettings& settings) {
    try {
        return ptt::ParsePttChoice(TextOf(settings, kTransmitterKey));
    } catch (const ptt::PttChoiceError&) {
        return {};
    }
}

}  // namespace

SoundSettings ReadSoundSettings(QSettings& settings) {
    SoundSettings sound;
    const std::string device = TextOf(settings, kDeviceKey);
    const std::string description = TextOf(settings, kDescriptionKey);
    const std::string checkInput = TextOf(settings, kCheckInputKey);
    const std::string checkDescription = TextOf(settings, kCheckDescriptionKey);
    const int level = NumberOf(settings, kLevelKey, platform::kLevelMin, platform::kLevelMax,
                               platform::kLevelMax);
    const ptt::PttChoice transmitter = TransmitterOf(settings);
    const ptt::KeyingTimes keying{
        .txDelayMs = NumberOf(settings, kTxDelayKey, 0, ptt::kTxDelayMaxMs, ptt::kTxDelayDefaultMs),
        .txTailMs = NumberOf(settings, kTxTailKey, 0, ptt::kTxTailMaxMs, ptt::kTxTailDefaultMs)};
    if (settings.status() != QSettings::NoError) {
        return sound;
    }
    sound.device = device;
    sound.deviceDescription = device.empty() ? std::string() : description;
    sound.checkInput = checkInput;
    sound.checkInputDescription = checkInput.empty() ? std::string() : checkDescription;
    sound.level = level;
    sound.transmitter = transmitter;
    sound.keying = keying;
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
    settings.setValue(QString::fromLatin1(kTransmitterKey),
                      QString::fromStdString(ptt::PttChoiceText(sound.transmitter)));
    settings.setValue(QString::fromLatin1(kTxDelayKey), QString::number(sound.keying.txDelayMs));
    settings.setValue(QString::fromLatin1(kTxTailKey), QString::number(sound.keying.txTailMs));
    settings.sync();
}

std::unique_ptr<QSettings> OpenUserSettings() {
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                       QStringLiteral("tornel4"), QStringLiteral("tornel4"));
}

}  // namespace tornel::app
