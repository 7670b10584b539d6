#pragma once
// "Передатчик" in "Настройки звука": how the transmitter is keyed for each send and for the
// trainer's carrier pattern (none, VOX, CAT through hamlib, RTS or DTR of a serial port, the GPIO
// of a CM108/CM119 card, rigctld), the TX delay and tail, and "проверка PTT", which keys the
// transmitter for one second.

#include <QGroupBox>
#include <memory>

#include "ptt/keyed_session.h"
#include "ptt/ptt_choice.h"
#include "ptt/transmitter.h"

class QComboBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace tornel::app {

class TransmitterBox : public QGroupBox {
    Q_OBJECT

  public:
    // `open` opens the transmitter of "проверка PTT".
    TransmitterBox(const ptt::PttChoice& choice, const ptt::KeyingTimes& keying,
                   ptt::TransmitterOpener open, QWidget* parent = nullptr);

    // The choice the controls make; throws ptt::PttChoiceError when they make none.
    ptt::PttChoice Choice() const;
    ptt::KeyingTimes Keying() const;
    // False, with the reason shown in the box, when the controls make no choice.
    bool Validate();

  private:
    void ShowChoice(const ptt::PttChoice& choice);
    void ShowKindRows();
    void KindChanged();
    ptt::PttKind Kind() const;
    void Button_PttCheckClick();
    void EndCheck();

    ptt::TransmitterOpener open_;
    QFormLayout* form_ = nullptr;
    QComboBox* kind_ = nullptr;
    QSpinBox* model_ = nullptr;
    QComboBox* device_ = nullptr;
    QComboBox* speed_ = nullptr;
    QSpinBox* pin_ = nullptr;
    QLineEdit* address_ = nullptr;
    QSpinBox* delay_ = nullptr;
    QSpinBox* tail_ = nullptr;
    QPushButton* check_ = nullptr;
    QLabel* note_ = nullptr;
    std::unique_ptr<ptt::TransmitterRun> checkRun_;
};

// How long "проверка PTT" keys the transmitter.
inline constexpr int kPttCheckMs = 1000;

}  // namespace tornel::app
