#pragma once
// The largest files the program reads, in one place. A size read from a file the user names is
// checked against its limit before anything is allocated for it.

#include <cstddef>

namespace tornel {

// The samples of a recording (its data chunk).
inline constexpr std::size_t kMaxWavDataBytes = std::size_t{64} << 20;
// A parameter-set file; its JSON text is a few hundred bytes.
inline constexpr std::size_t kMaxParameterSetBytes = std::size_t{1} << 20;
// A help page's file; a longer page keeps its beginning.
inline constexpr std::size_t kMaxHelpPageBytes = std::size_t{16} << 20;

}  // namespace tornel
