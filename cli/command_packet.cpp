// tornel4-cli packet [PARAMS] [--save FILE] [--json]: the packet and its listings; --save writes
// the parameter set of the given parameters first.
#include <iostream>

#include "cli/commands.h"
#include "cli/listing_output.h"
#include "sets/parameter_set_file.h"

namespace tornel::cli {

int RunPacket(const Options& options) {
    const ParameterSet given = InputsOf(options);
    const BuildResult build = BuildPacket(given.inputs, *options.parameters);
    if (!options.saveFile.empty()) {
        try {
            SaveParameterSetFile(options.saveFile, given, *options.parameters);
        } catch (const ParameterSetError& e) {
            std::cerr << "tornel4-cli: " << e.what() << '\n';
            return 1;
        }
    }
    if (options.json) {
        std::cout << PacketJson(build).dump() << '\n';
    } else {
        PrintListings(std::cout, build, *options.parameters);
    }
    return 0;
}

}  // namespace tornel::cli
