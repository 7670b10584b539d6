#include <iostream>

#include "cli/commands.h"
#include "cli/listing_output.h"

namespace tornel::cli {

int RunPacket(const Options& options) {
    const BuildResult build = BuildPacket(options.inputs, *options.parameters);
    if (options.json) {
        std::cout << PacketJson(build).dump() << '\n';
    } else {
        PrintListings(std::cout, build);
    }
    return 0;
}

}  // namespace tornel::cli
