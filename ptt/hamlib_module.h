#pragma once
// The hamlib module (tornel4-hamlib.so): CAT and rigctld keying in a private module, so that
// hamlib and the libraries it pulls in are loaded only when a keying choice needs them.

#include "ptt/transmitter.h"

// The module's one entry point: the transmitter of a cat: or rigctld: choice, released. Throws
// PttError as OpenTransmitter does; the caller owns what it returns.
extern "C" tornel::ptt::Transmitter* tornel4_open_hamlib_transmitter(
    const tornel::ptt::PttChoice& choice);

namespace tornel::ptt {

inline constexpr const char* kHamlibModuleFile = "tornel4-hamlib.so";
inline constexpr const char* kHamlibModuleEntry = "tornel4_open_hamlib_transmitter";

}  // namespace tornel::ptt
