#include "app/sound_dialog.h"

#include <QPushButton>
#include <QTimer>
#include <cmath>

#include "signal/synthesizer.h"
#include "ui_sound_dialog.h"

namespace tornel::app {

namespace {

constexpr double kCheckSeconds = 3.0;
// How often the output list takes in the server's changes, and the check tone is kept going.
constexpr int kWatchIntervalMs = 250;
constexpr int kCheckIntervalMs = 20;

QString Text(const std::string& s) {
    return QString::fromStdString(s);
}

}  // namespace

std::vector<std::int16_t> CheckToneSamples(double seconds) {
    const auto count = static_cast<std::size_t>(seconds * kSampleRate);
    std::vector<std::int16_t> samples(count);
    for (std::size_t i = 0; i < count; ++i) {
        const long double phase = synthesis::kToneIncrement * static_cast<long double>(i);
        samples[i] = static_cast<std::int16_t>(std::lround(kAmplitude * std::sin(phase)));
    }
    return samples;
}

SoundDialog::SoundDialog(platform::SoundBackend& backend, const SoundSettings& current,
                         QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::SoundDialog>()), backend_(backend) {
    ui_->setupUi(this);
    ui_->Slider_Level->setRange(platform::kLevelMin, platform::kLevelMax);
    ui_->SpinBox_Level->setRange(platform::kLevelMin, platform::kLevelMax);
    ui_->Slider_Level->setValue(current.level);
    ui_->SpinBox_Level->setValue(current.level);
    connect(ui_->Slider_Level, &QSlider::valueChanged, ui_->SpinBox_Level, &QSpinBox::setValue);
    connect(ui_->SpinBox_Level, &QSpinBox::valueChanged, ui_->Slider_Level, &QSlider::setValue);
    connect(ui_->Button_Check, &QPushButton::clicked, this, &SoundDialog::Button_CheckClick);
    ui_->ButtonBox->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Отмена"));
    connect(ui_->ButtonBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(ui_->ButtonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(this, &QDialog::finished, this, &SoundDialog::StopCheck);

    if (!current.device.empty()) {
        descriptions_[current.device] = current.DeviceLabel();
    }
    watch_ = backend_.WatchDevices();
    ShowDevices(current.device);
    watchTimer_ = new QTimer(this);
    watchTimer_->callOnTimeout(this, &SoundDialog::WatchTimerTimer);
    watchTimer_->start(kWatchIntervalMs);
    checkTimer_ = new QTimer(this);
    checkTimer_->callOnTimeout(this, &SoundDialog::CheckTimerTimer);
}

SoundDialog::~SoundDialog() = default;

SoundSettings SoundDialog::chosen() const {
    SoundSettings settings;
    settings.device = SelectedDevice();
    if (!settings.device.empty()) {
        settings.deviceDescription = descriptions_.at(settings.device);
    }
    settings.level = ui_->SpinBox_Level->value();
    return settings;
}

std::string SoundDialog::SelectedDevice() const {
    return ui_->ComboBox_Device->currentData().toString().toStdString();
}

// "по умолчанию" first, then the server's outputs with its default marked; a chosen output that
// is absent is kept in the list as missing.
void SoundDialog::ShowDevices(const std::string& selected) {
    const platform::SoundDevices& devices = watch_->devices();
    QComboBox* list = ui_->ComboBox_Device;
    list->clear();
    list->addItem(QStringLiteral("по умолчанию"), QString());
    bool present = selected.empty();
    for (const platform::SoundDevice& output : devices.outputs) {
        descriptions_[output.name] = output.description;
        list->addItem(Text(output.description) +
                          (output.isDefault ? QStringLiteral(" (основной в системе)") : QString()),
                      Text(output.name));
        present = present || output.name == selected;
    }
    QString state;
    if (!present) {
        list->addItem(Text(descriptions_[selected]) + QStringLiteral(" (не подключено)"),
                      Text(selected));
        state = QStringLiteral("Выбранное устройство «%1» не подключено: сигнал выдан не будет.")
                    .arg(Text(descriptions_[selected]));
    }
    if (!devices.reachable) {
        state = Text(devices.error);  // "нет звукового сервера: <причина>"
        if (!state.isEmpty()) {
            state[0] = state[0].toUpper();
        }
    }
    list->setCurrentIndex(list->findData(Text(selected)));
    ui_->Label_State->setText(state);
}

void SoundDialog::WatchTimerTimer() {
    if (watch_->Poll()) {
        ShowDevices(SelectedDevice());
    }
}

// "проверка": the check tone on the chosen output at the chosen level; pressed again, it stops.
void SoundDialog::Button_CheckClick() {
    if (check_) {
        StopCheck();
        return;
    }
    check_ = backend_.StartPlayback(CheckToneSamples(kCheckSeconds), kSampleRate,
                                    {SelectedDevice(), ui_->SpinBox_Level->value()});
    ui_->Button_Check->setText(QStringLiteral("стоп"));
    checkTimer_->start(kCheckIntervalMs);
    CheckTimerTimer();
}

void SoundDialog::CheckTimerTimer() {
    if (!check_ || check_->Pump()) {
        return;
    }
    if (!check_->result().played) {
        ui_->Label_State->setText(QStringLiteral("Проверка не выдана: ") +
                                  Text(check_->result().error));
    }
    StopCheck();
}

void SoundDialog::StopCheck() {
    check_.reset();
    checkTimer_->stop();
    ui_->Button_Check->setText(QStringLiteral("проверка"));
}

}  // namespace tornel::app
