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
    sound.device = TextOf(settings, kDeviceKey);
    if (!sound.device.empty()) {
        sound.deviceDescription = TextOf(settings, kDescriptionKey);
    }
    sound.checkInput = TextOf(settings, kCheckInputKey);
    if (!sound.checkInput.empty()) {
        sound.checkInputDescription = TextOf(settings, kCheckDescriptionKey);
    }
    sound.level = NumberOf(settings, kLevelKey, platform::kLevelMin, platform::kLevelMax,
                           platform::kLevelMax);
    sound.transmitter = TransmitterOf(settings);
    sound.keying = {
        .txDelayMs = NumberOf(settings, kTxDelayKey, 0, ptt::kTxDelayMaxMs, ptt::kTxDelayDefaultMs),
        .txTailMs = NumberOf(settings, kTxTailKey, 0, ptt::kTxTailMaxMs, ptt::kTxTailDefaultMs)};
    // A settings file that cannot be read leaves everything at its default.
    return settings.status() == QSettings::NoError ? sound : SoundSettings{};
}

void WriteSoundSettings(QSettings& settings, const SoundSettings& sound) {
    const auto put = [&settings](const char* key, const QString& value) {
        settings.setValue(QString::fromLatin1(key), value);
    };
    put(kDeviceKey, QString::fromStdString(sound.device));
    put(kDescriptionKey, QString::fromStdString(sound.deviceDescription));
    put(kLevelKey, QString::number(sound.level));
    put(kCheckInputKey, QString::fromStdString(sound.checkInput));
    put(kCheckDescriptionKey, QString::fromStdString(sound.checkInputDescription));
    put(kTransmitterKey, QString::fromStdString(ptt::PttChoiceText(sound.transmitter)));
    put(kTxDelayKey, QString::number(sound.keying.txDelayMs));
    put(kTxTailKey, QString::number(sound.keying.txTailMs));
    settings.sync();
}

std::unique_ptr<QSettings> OpenUserSettings() {
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                       QStringLiteral("tornel4"), QStringLiteral("tornel4"));
}

}  // namespace tornel::app
