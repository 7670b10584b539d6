#pragma once
// Parameter sets on disk: saved through a temporary file and a rename, loaded all or nothing
// from a set file or from a recording of the signal. Every error is a ParameterSetError whose
// Russian text names the file and, where there is one, the field.

#include <string>

#include "sets/parameter_set.h"

namespace tornel {

// Writes the set; a failure leaves an earlier file at `path` as it was. Throws ParameterSetError.
void SaveParameterSetFile(const std::string& path, const ParameterSet& set,
                          const ParameterTable& table = kParameterTable);

// Reads a parameter-set file, or a WAV recording of the signal through the decoder. Only a packet
// with a correct CRC fills the set; a field that a clear box sends as 0 and whose byte is 0 gets
// its box cleared and keeps its value from `current`. Refuses anything but a regular file, and a
// set file over kMaxParameterSetBytes, before reading it. Throws ParameterSetError.
ParameterSet LoadParameterSource(const std::string& path, const PacketInputs& current,
                                 const ParameterTable& table = kParameterTable);

}  // namespace tornel
