// tornel4-cli devices: the sound server's outputs and inputs, one per line under a header line,
// or as JSON. Each line begins with the kind of device: "вывод" for an output, "ввод" for an
// input; a line without a tab says that there is no device of a kind.

#include <iostream>
#include <nlohmann/json.hpp>
#include <vector>

#include "cli/commands.h"
#include "platform/sound_module.h"

namespace tornel::cli {

namespace {

void PrintText(const char* kind, const char* none,
               const std::vector<platform::SoundDevice>& devices) {
    if (devices.empty()) {
        std::cout << none << '\n';
    }
    for (const platform::SoundDevice& device : devices) {
        std::cout << kind << '\t' << device.name << '\t' << device.description
                  << (device.isDefault ? "\tпо умолчанию" : "") << '\n';
    }
}

nlohmann::json ToJson(const std::vector<platform::SoundDevice>& devices) {
    nlohmann::json list = nlohmann::json::array();
    for (const platform::SoundDevice& device : devices) {
        list.push_back({{"name", device.name},
                        {"description", device.description},
                        {"default", device.isDefault}});
    }
    return list;
}

}  // namespace

int RunDevices(const Options& options) {
    const auto backend = platform::LoadSoundBackend(kSoundClientName);
    const platform::SoundDevices devices = backend->ListDevices();
    if (!devices.reachable) {
        std::cerr << "tornel4-cli: " << devices.error << '\n';
        return 1;
    }
    if (options.json) {
        const nlohmann::json all{{"outputs", ToJson(devices.outputs)},
                                 {"inputs", ToJson(devices.inputs)}};
        std::cout << all.dump(2) << '\n';
    } else {
        std::cout << "вид\tимя\tописание\tпо умолчанию\n";
        PrintText("вывод", "нет звуковых выходов", devices.outputs);
        PrintText("ввод", "нет звуковых входов", devices.inputs);
    }
    return 0;
}

}  // namespace tornel::cli
