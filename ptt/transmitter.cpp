#include "ptt/transmitter.h"

namespace tornel::ptt {

std::unique_ptr<Transmitter> OpenTransmitter(const PttChoice& choice, DeviceIo& io) {
    switch (choice.kind) {
        case PttKind::None:
        case PttKind::Vox:
            return nullptr;
        case PttKind::Rts:
        case PttKind::Dtr:
            return OpenSerialTransmitter(choice, io);
        case PttKind::Cm108:
            return OpenCm108Transmitter(choice, io);
        case PttKind::Cat:
        case PttKind::Rigctld:
            return OpenHamlibTransmitter(choice);
    }
    return nullptr;
}

}  // namespace tornel::ptt
