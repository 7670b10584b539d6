// tornel4-cli devices: the sound server's outputs, one per line or as JSON. Each line begins with
// the kind of device, so that other kinds can be listed beside the outputs.

#include <iostream>
#include <nlohmann/json.hpp>

#include "cli/commands.h"
#include "cli/sound_module.h"

namespace tornel::cli {

namespace {

void PrintText(const platform::SoundDevices& devices) {
    for (const platform::SoundDevice& output : devices.outputs) {
        std::cout << "вывод\t" << output.name << '\t' << output.description
                  << (output.isDefault ? "\tпо умолчанию" : "") << '\n';
    }
}

void PrintJson(const platform::SoundDevices& devices) {
    nlohmann::json outputs = nlohmann::json::array();
    for (const platform::SoundDevice& output : devices.outputs) {
        outputs.push_back({{"name", output.name},
                           {"description", output.description},
                           {"default", output.isDefault}});
    }
    std::cout << nlohmann::json{{"outputs", outputs}}.dump(2) << '\n';
}

}  // namespace

int RunDevices(const Options& options) {
    std::string error;
    const auto module = SoundModule::Load(error);
    if (!module) {
        std::cerr << "tornel4-cli: " << error << '\n';
        return 1;
    }
    const platform::SoundDevices devices = module->backend().ListDevices();
    if (!devices.reachable) {
        std::cerr << "tornel4-cli: " << devices.error << '\n';
        return 1;
    }
    if (options.json) {
        PrintJson(devices);
    } else {
        PrintText(devices);
    }
    return 0;
}

}  // namespace tornel::cli
