#include "ptt/transmitter.h"

namespace tornel::ptt {

std::unique_ptr<Transmitter> OpenTransmitter(const PttSpec& spec, DeviceIo& io) {
    switch (spec.kind) {
        case PttKind::None:
        case PttKind::Vox:
            return nullptr;
        case PttKind::Rts:
        case PttKind::Dtr:
            return OpenSerialTransmitter(spec, io);
        case PttKind::Cm108:
            return OpenCm108Transmitter(spec, io);
        case PttKind::Cat:
        case PttKind::Rigctld:
            return OpenHamlibTransmitter(spec);
    }
    return nullptr;
}

}  // namespace tornel::ptt
