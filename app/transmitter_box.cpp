#include "app/transmitter_box.h"

#include <QComboBox>
#include <QDir>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>

namespace tornel::app {

namespace {

using ptt::PttKind;

struct KindChoice {
    PttKind kind;
    const char* text;
};

constexpr KindChoice kKinds[] = {
    {PttKind::None, "нет"},
    {PttKind::Vox, "VOX радиостанции"},
    {PttKind::Cat, "CAT (hamlib)"},
    {PttKind::Rts, "RTS последовательного порта"},
    {PttKind::Dtr, "DTR последовательного порта"},
    {PttKind::Cm108, "GPIO звуковой карты CM108/CM119"},
    {PttKind::Rigctld, "rigctld (сеть)"},
};

const QString kVoxNote = QStringLiteral(
    "VOX включает передатчик сам, по звуку: пока он срабатывает, начало вступительного тона "
    "теряется, а после сигнала передатчик ещё держится. Нужен VOX с быстрым срабатыванием.");
// The note holds up to this many lines (a missing group's command is the longest text).
constexpr int kNoteLines = 4;

// Device files of the kind, for the port list: serial ports or hidraw devices.
QStringList DeviceFiles(PttKind kind) {
    const QStringList patterns =
        kind == PttKind::Cm108 ? QStringList{QStringLiteral("hidraw*")}
                               : QStringList{QStringLiteral("ttyUSB*"), QStringLiteral("ttyACM*"),
                                             QStringLiteral("ttyS0")};
    QStringList files;
    for (const QString& name : QDir(QStringLiteral("/dev")).entryList(patterns, QDir::System)) {
        files << QStringLiteral("/dev/") + name;
    }
    return files;
}

QString Text(const std::string& s) {
    return QString::fromStdString(s);
}

}  // namespace

TransmitterBox::TransmitterBox(const ptt::PttChoice& choice, const ptt::KeyingTimes& keying,
                               ptt::TransmitterOpener open, QWidget* parent)
    : QGroupBox(QStringLiteral("Передатчик"), parent), open_(std::move(open)) {
    setObjectName(QStringLiteral("GroupBox_Transmitter"));
    form_ = new QFormLayout(this);
    auto add = [this](auto* widget, const char* name, const char* label) {
        widget->setObjectName(QString::fromLatin1(name));
        form_->addRow(QString::fromUtf8(label), widget);
        return widget;
    };
    kind_ = add(new QComboBox(this), "ComboBox_PttKind", "Управление PTT:");
    for (const KindChoice& choice : kKinds) {
        kind_->addItem(QString::fromUtf8(choice.text), static_cast<int>(choice.kind));
    }
    model_ = add(new QSpinBox(this), "SpinBox_RigModel", "Модель hamlib:");
    model_->setRange(1, 999999);
    model_->setToolTip(QStringLiteral("номер модели радиостанции из списка rigctl --list"));
    device_ = add(new QComboBox(this), "ComboBox_PttDevice", "Порт:");
    device_->setEditable(true);
    speed_ = add(new QComboBox(this), "ComboBox_RigSpeed", "Скорость:");
    speed_->addItem(QStringLiteral("как у модели"), 0);
    for (const int rate : ptt::kSerialSpeeds) {
        speed_->addItem(QString::number(rate), rate);
    }
    pin_ = add(new QSpinBox(this), "SpinBox_GpioPin", "Вывод GPIO:");
    pin_->setRange(ptt::kCm108MinPin, ptt::kCm108MaxPin);
    address_ = add(new QLineEdit(this), "LineEdit_RigctldAddress", "Адрес rigctld:");
    address_->setPlaceholderText(QStringLiteral("localhost:4532"));
    delay_ = add(new QSpinBox(this), "SpinBox_TxDelay", "Задержка TX:");
    delay_->setRange(0, ptt::kTxDelayMaxMs);
    delay_->setSuffix(QStringLiteral(" мс"));
    delay_->setToolTip(QStringLiteral("от включения передатчика до начала сигнала"));
    tail_ = add(new QSpinBox(this), "SpinBox_TxTail", "Хвост TX:");
    tail_->setRange(0, ptt::kTxTailMaxMs);
    tail_->setSuffix(QStringLiteral(" мс"));
    tail_->setToolTip(
        QStringLiteral("от последнего отзвучавшего отсчёта сигнала до выключения передатчика"));
    check_ = new QPushButton(QStringLiteral("проверка PTT"), this);
    check_->setObjectName(QStringLiteral("Button_PttCheck"));
    check_->setToolTip(QStringLiteral("включить передатчик на 1 с"));
    note_ = new QLabel(this);
    note_->setObjectName(QStringLiteral("Label_PttNote"));
    note_->setWordWrap(true);
    note_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    note_->setMinimumHeight(note_->fontMetrics().lineSpacing() * kNoteLines);
    auto* checkRow = new QHBoxLayout;
    checkRow->addWidget(check_);
    checkRow->addStretch();
    form_->addRow(checkRow);
    form_->addRow(note_);

    delay_->setValue(keying.txDelayMs);
    tail_->setValue(keying.txTailMs);
    ShowChoice(choice);
    connect(kind_, &QComboBox::currentIndexChanged, this, &TransmitterBox::KindChanged);
    connect(check_, &QPushButton::clicked, this, &TransmitterBox::Button_PttCheckClick);
}

void TransmitterBox::ShowChoice(const ptt::PttChoice& choice) {
    kind_->setCurrentIndex(kind_->findData(static_cast<int>(choice.kind)));
    model_->setValue(choice.model > 0 ? choice.model : 1);
    speed_->setCurrentIndex(std::max(0, speed_->findData(choice.speed)));
    pin_->setValue(choice.pin);
    if (choice.kind == PttKind::Rigctld) {
        address_->setText(Text(choice.device) + u':' + QString::number(choice.port));
    }
    KindChanged();
    if (!choice.device.empty() && choice.kind != PttKind::Rigctld) {
        device_->setCurrentText(Text(choice.device));
    }
}

PttKind TransmitterBox::Kind() const {
    return static_cast<PttKind>(kind_->currentData().toInt());
}

// Only the rows the chosen kind needs; the port list holds that kind's devices.
void TransmitterBox::ShowKindRows() {
    const PttKind kind = Kind();
    const bool port = kind == PttKind::Cat || kind == PttKind::Rts || kind == PttKind::Dtr ||
                      kind == PttKind::Cm108;
    form_->setRowVisible(model_, kind == PttKind::Cat);
    form_->setRowVisible(speed_, kind == PttKind::Cat);
    form_->setRowVisible(device_, port);
    form_->setRowVisible(pin_, kind == PttKind::Cm108);
    form_->setRowVisible(address_, kind == PttKind::Rigctld);
    form_->setRowVisible(delay_, ptt::PttChoice{.kind = kind}.Keys());
    form_->setRowVisible(tail_, ptt::PttChoice{.kind = kind}.Keys());
    check_->setEnabled(ptt::PttChoice{.kind = kind}.Keys() && !checkRun_);
    if (auto* label = qobject_cast<QLabel*>(form_->labelForField(device_))) {
        label->setText(kind == PttKind::Cm108 ? QStringLiteral("Устройство hidraw:")
                                              : QStringLiteral("Порт:"));
    }
    const QString typed = device_->currentText();
    device_->clear();
    device_->addItems(DeviceFiles(kind));
    device_->setCurrentText(typed);
}

void TransmitterBox::KindChanged() {
    ShowKindRows();
    note_->setText(Kind() == PttKind::Vox ? kVoxNote : QString());
    // Rows come and go: the dialog takes the height they need.
    if (window() != this && window()->isVisible()) {
        window()->resize(window()->width(), window()->sizeHint().height());
    }
}

ptt::PttChoice TransmitterBox::Choice() const {
    const std::string device = device_->currentText().trimmed().toStdString();
    switch (Kind()) {
        case PttKind::None:
            return {};
        case PttKind::Vox:
            return {.kind = PttKind::Vox};
        case PttKind::Cat:
            return ptt::ParsePttChoice("cat:" + std::to_string(model_->value()) + ":" + device +
                                       (speed_->currentData().toInt() > 0
                                            ? ":" + speed_->currentData().toString().toStdString()
                                            : ""));
        case PttKind::Rts:
            return ptt::ParsePttChoice("rts:" + device);
        case PttKind::Dtr:
            return ptt::ParsePttChoice("dtr:" + device);
        case PttKind::Cm108:
            return ptt::ParsePttChoice("cm108:" + device + ":" + std::to_string(pin_->value()));
        case PttKind::Rigctld:
            return ptt::ParsePttChoice("rigctld:" + address_->text().trimmed().toStdString());
    }
    return {};
}

ptt::KeyingTimes TransmitterBox::Keying() const {
    return {.txDelayMs = delay_->value(), .txTailMs = tail_->value()};
}

bool TransmitterBox::Validate() {
    try {
        Choice();
        return true;
    } catch (const ptt::PttChoiceError& e) {
        note_->setText(QStringLiteral("Передатчик задан неверно: ") + QString::fromUtf8(e.what()));
        return false;
    }
}

// "проверка PTT": the transmitter keyed for one second, then released; the box says how it went.
void TransmitterBox::Button_PttCheckClick() {
    if (!Validate()) {
        return;
    }
    const ptt::PttChoice choice = Choice();
    try {
        auto transmitter = open_ ? open_(choice) : ptt::OpenTransmitter(choice);
        checkRun_ = std::make_unique<ptt::TransmitterRun>(
            std::move(transmitter), std::chrono::milliseconds(kPttCheckMs) + ptt::kHardLimitMargin);
        checkRun_->session().Key();
    } catch (const ptt::PttError& e) {
        checkRun_.reset();
        note_->setText(QStringLiteral("Проверка PTT: ") + QString::fromUtf8(e.what()));
        return;
    }
    check_->setEnabled(false);
    note_->setText(
        QStringLiteral("Передатчик включён (%1)...").arg(Text(TransmitterLabel(choice))));
    QTimer::singleShot(kPttCheckMs, this, &TransmitterBox::EndCheck);
}

void TransmitterBox::EndCheck() {
    if (!checkRun_) {
        return;
    }
    try {
        checkRun_->session().Release();
        note_->setText(QStringLiteral("Проверка PTT: передатчик включался на 1 с и выключен."));
    } catch (const ptt::PttError& e) {
        note_->setText(QStringLiteral("Проверка PTT: ") + QString::fromUtf8(e.what()));
    }
    checkRun_.reset();
    check_->setEnabled(ptt::PttChoice{.kind = Kind()}.Keys());
}

}  // namespace tornel::app
