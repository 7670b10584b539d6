// PTT through hamlib: a rig's CAT command on its port, or hamlib's network daemon rigctld
// (hamlib's NET rigctl model). Both keep the last state when the program is killed; only the
// radio's own transmit time-out guards against that. Built into the hamlib module
// (hamlib_module.h), which OpenTransmitter loads at the first such choice.

#include <hamlib/rig.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "ptt/hamlib_module.h"

namespace tornel::ptt {

namespace {

// A port without modem lines (a pseudo-terminal, say) has nothing to key, and hamlib refuses to
// open a port whose lines it is told to set and cannot.
bool HasModemLines(const std::string& path) {
    DeviceIo& io = SystemDeviceIo();
    const int fd = io.OpenSerial(path);
    if (fd < 0) {
        return true;  // hamlib's own open names what is wrong
    }
    const bool lines = io.ModemLines(fd).has_value();
    io.Close(fd);
    return lines;
}

// Opening a serial port raises RTS and DTR (the kernel does that on every open), which keys an
// interface wired to either: hamlib is told to set both low as it opens the CAT port. Under
// hardware handshake RTS belongs to the flow control and is left to it.
void HoldSerialLinesLow(hamlib_port_t& port) {
    if (port.type.rig != RIG_PORT_SERIAL || !HasModemLines(port.pathname)) {
        return;
    }
    port.parm.serial.dtr_state = RIG_SIGNAL_OFF;
    if (port.parm.serial.handshake != RIG_HANDSHAKE_HARDWARE) {
        port.parm.serial.rts_state = RIG_SIGNAL_OFF;
    }
}

std::string HamlibErrorText(int code) {
    switch (-std::abs(code)) {
        case -RIG_EINVAL:
            return "неверный параметр";
        case -RIG_ECONF:
            return "неверная настройка";
        case -RIG_ENOMEM:
            return "нет памяти";
        case -RIG_ENIMPL:
        case -RIG_ENAVAIL:
        case -RIG_ENTARGET:
            return "модель не умеет включать передачу";
        case -RIG_ETIMEOUT:
            return "радиостанция не отвечает";
        case -RIG_EIO:
            return "нет связи";
        case -RIG_EPROTO:
        case -RIG_BUSERROR:
            return "ошибка протокола";
        case -RIG_ERJCTED:
            return "команда отвергнута";
        case -RIG_BUSBUSY:
            return "шина занята";
        default:
            return "ошибка hamlib " + std::to_string(code);
    }
}

class HamlibTransmitter : public Transmitter {
  public:
    explicit HamlibTransmitter(const PttChoice& choice) : label_(TransmitterLabel(choice)) {
        rig_set_debug(RIG_DEBUG_NONE);
        const bool network = choice.kind == PttKind::Rigctld;
        const std::string path =
            network ? choice.device + ":" + std::to_string(choice.port) : choice.device;
        if (!network) {
            CheckPort(path);
        }
        rig_ = rig_init(network ? RIG_MODEL_NETRIGCTL : choice.model);
        if (rig_ == nullptr) {
            throw PttError(label_ + ": модель hamlib " + std::to_string(choice.model) +
                           " не известна (список: rigctl --list)");
        }
        std::strncpy(rig_->state.rigport.pathname, path.c_str(), HAMLIB_FILPATHLEN - 1);
        if (!network) {
            HoldSerialLinesLow(rig_->state.rigport);
        }
        if (choice.speed > 0) {
            rig_->state.rigport.parm.serial.rate = choice.speed;
        }
        if (const int code = rig_open(rig_); code != RIG_OK) {
            rig_cleanup(rig_);
            throw PttError(label_ + ": " + HamlibErrorText(code));
        }
    }
    ~HamlibTransmitter() override {
        if (keyed_) {
            rig_set_ptt(rig_, RIG_VFO_CURR, RIG_PTT_OFF);
        }
        rig_close(rig_);
        rig_cleanup(rig_);
    }

    void Key() override { Set(RIG_PTT_ON); }
    void Release() override { Set(RIG_PTT_OFF); }
    const std::string& Label() const override { return label_; }

  private:
    // A port that is a device file is checked first, so that a missing device or a missing
    // group membership is named as such rather than as hamlib's "no connection".
    void CheckPort(const std::string& path) const {
        if (path.starts_with('/') && ::access(path.c_str(), R_OK | W_OK) != 0) {
            throw PttError(label_ + ": " + OpenErrorText(path, errno, "dialout"));
        }
    }

    void Set(ptt_t state) {
        // A key that fails may still have keyed: the destructor releases unless a release worked.
        keyed_ = keyed_ || state == RIG_PTT_ON;
        if (const int code = rig_set_ptt(rig_, RIG_VFO_CURR, state); code != RIG_OK) {
            throw PttError(
                label_ + ": " +
                (state == RIG_PTT_ON ? "передача не включается: " : "передача не выключается: ") +
                HamlibErrorText(code));
        }
        keyed_ = state == RIG_PTT_ON;
    }

    std::string label_;
    RIG* rig_ = nullptr;
    bool keyed_ = false;
};

}  // namespace

}  // namespace tornel::ptt

extern "C" __attribute__((visibility("default"))) tornel::ptt::Transmitter*
tornel4_open_hamlib_transmitter(const tornel::ptt::PttChoice& choice) {
    return std::make_unique<tornel::ptt::HamlibTransmitter>(choice).release();
}
