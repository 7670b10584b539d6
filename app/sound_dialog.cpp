#include "app/sound_dialog.h"

#include <QComboBox>
#include <QPushButton>
#include <QTimer>
#include <map>
#include <vector>

#include "app/transmitter_box.h"
#include "platform/device_label.h"
#include "ui_sound_dialog.h"

namespace tornel::app {

namespace {

// How often the output list takes in the server's changes, and the check tone is kept going.
constexpr int kWatchIntervalMs = 250;
constexpr int kCheckIntervalMs = 20;
// The row of "Передатчик" in the dialog's grid, above the buttons.
constexpr int kTransmitterRow = 4;

QString Text(const std::string& s) {
    return QString::fromStdString(s);
}

std::string DataOf(const QComboBox* list) {
    return list->currentData().toString().toStdString();
}

// Fills `list` with `first` (meaning no device of the list) and the server's `devices`, its
// default marked, and selects `selected`; one that is absent is added, marked as missing. Each
// is shown by its label (platform::DeviceLabel: the server's name beside a description that
// another device shares), which `labels` remembers. Returns whether `selected` is present.
bool ShowDeviceList(QComboBox* list, const QString& first,
                    const std::vector<platform::SoundDevice>& devices, const std::string& selected,
                    std::map<std::string, std::string>& labels) {
    list->clear();
    list->addItem(first, QString());
    bool present = selected.empty();
    for (const platform::SoundDevice& device : devices) {
        labels[device.name] = platform::DeviceLabel(devices, device);
        list->addItem(Text(labels[device.name]) +
                          (device.isDefault ? QStringLiteral(" (основной в системе)") : QString()),
                      Text(device.name));
        present = present || device.name == selected;
    }
    if (!present) {
        // Named as it was remembered, with its server's name where a present one looks alike.
        labels[selected] = platform::DeviceLabel(devices, {selected, labels[selected]});
        list->addItem(Text(labels[selected]) + QStringLiteral(" (не подключено)"), Text(selected));
    }
    list->setCurrentIndex(list->findData(Text(selected)));
    return present;
}

}  // namespace

SoundDialog::SoundDialog(platform::SoundBackend& backend, const SoundSettings& current,
                         QWidget* parent, ptt::TransmitterOpener openTransmitter)
    : QDialog(parent), ui_(std::make_unique<Ui::SoundDialog>()), backend_(backend) {
    ui_->setupUi(this);
    transmitter_ =
        new TransmitterBox(current.transmitter, current.keying, std::move(openTransmitter), this);
    ui_->gridLayout->addWidget(transmitter_, kTransmitterRow, 0, 1, 3);
    ui_->Slider_Level->setRange(platform::kLevelMin, platform::kLevelMax);
    ui_->SpinBox_Level->setRange(platform::kLevelMin, platform::kLevelMax);
    ui_->Slider_Level->setValue(current.level);
    ui_->SpinBox_Level->setValue(current.level);
    connect(ui_->Slider_Level, &QSlider::valueChanged, ui_->SpinBox_Level, &QSpinBox::setValue);
    connect(ui_->SpinBox_Level, &QSpinBox::valueChanged, ui_->Slider_Level, &QSlider::setValue);
    connect(ui_->Button_Check, &QPushButton::clicked, this, &SoundDialog::Button_CheckClick);
    ui_->ButtonBox->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Отмена"));
    connect(ui_->ButtonBox, &QDialogButtonBox::accepted, this, &SoundDialog::ButtonBoxAccepted);
    connect(ui_->ButtonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(this, &QDialog::finished, this, &SoundDialog::StopCheck);

    if (!current.device.empty()) {
        outputLabels_[current.device] = current.DeviceLabel();
    }
    if (!current.checkInput.empty()) {
        inputLabels_[current.checkInput] = current.CheckInputLabel();
    }
    watch_ = backend_.WatchDevices();
    ShowDevices(current.device, current.checkInput);
    watchTimer_ = new QTimer(this);
    watchTimer_->callOnTimeout(this, &SoundDialog::WatchTimerTimer);
    watchTimer_->start(kWatchIntervalMs);
    checkTimer_ = new QTimer(this);
    checkTimer_->callOnTimeout(this, &SoundDialog::CheckTimerTimer);
    resize(width(), sizeHint().height());  // the rows "Передатчик" shows for its kind
}

SoundDialog::~SoundDialog() = default;

SoundSettings SoundDialog::chosen() const {
    SoundSettings settings;
    settings.device = SelectedDevice();
    if (!settings.device.empty()) {
        settings.deviceDescription = outputLabels_.at(settings.device);
    }
    settings.level = ui_->SpinBox_Level->value();
    settings.checkInput = SelectedCheckInput();
    if (!settings.checkInput.empty()) {
        settings.checkInputDescription = inputLabels_.at(settings.checkInput);
    }
    settings.transmitter = transmitter_->Choice();
    settings.keying = transmitter_->Keying();
    return settings;
}

// OK keeps the dialog open while the transmitter's fields make no choice; the box says why.
void SoundDialog::ButtonBoxAccepted() {
    if (transmitter_->Validate()) {
        accept();
    }
}

std::string SoundDialog::SelectedDevice() const {
    return DataOf(ui_->ComboBox_Device);
}

std::string SoundDialog::SelectedCheckInput() const {
    return DataOf(ui_->ComboBox_CheckInput);
}

// The outputs after "по умолчанию", the inputs after "выключен"; what is chosen but absent is
// kept in its list as missing and named in the state line.
void SoundDialog::ShowDevices(const std::string& output, const std::string& checkInput) {
    const platform::SoundDevices& devices = watch_->devices();
    QStringList problems;
    if (!ShowDeviceList(ui_->ComboBox_Device, QStringLiteral("по умолчанию"), devices.outputs,
                        output, outputLabels_)) {
        problems << QStringLiteral(
                        "Выбранное устройство «%1» не подключено: сигнал выдан не будет.")
                        .arg(Text(outputLabels_[output]));
    }
    // A server without inputs offers nothing to listen with: the list says so at its first item.
    const QString off = devices.reachable && devices.inputs.empty()
                            ? QStringLiteral("выключен (входы не найдены)")
                            : QStringLiteral("выключен");
    if (!ShowDeviceList(ui_->ComboBox_CheckInput, off, devices.inputs, checkInput, inputLabels_)) {
        problems << QStringLiteral(
                        "Вход контроля «%1» не подключён: сигнал будет выдан без контроля.")
                        .arg(Text(inputLabels_[checkInput]));
    }
    QString state = problems.join(u'\n');
    if (!devices.reachable) {
        state = Text(devices.error);  // "нет звукового сервера: <причина>"
        if (!state.isEmpty()) {
            state[0] = state[0].toUpper();
        }
    }
    ui_->Label_State->setText(state);
}

void SoundDialog::WatchTimerTimer() {
    if (watch_->Poll()) {
        ShowDevices(SelectedDevice(), SelectedCheckInput());
    }
}

// "проверка": the check tone on the chosen output at the chosen level; pressed again, it stops.
void SoundDialog::Button_CheckClick() {
    if (check_) {
        StopCheck();
        return;
    }
    check_ = backend_.StartCheckTone({SelectedDevice(), ui_->SpinBox_Level->value()});
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
