#include "platform/font_configuration.h"

#include <dlfcn.h>

namespace tornel::platform {

std::future<void> ReadFontConfigurationInBackground() {
    return std::async(std::launch::async, [] {
        // fontconfig is Qt's library, already loaded with it; the program does not link it.
        using Init = int (*)();
        if (const auto init = reinterpret_cast<Init>(dlsym(RTLD_DEFAULT, "FcInit"))) {
            init();
        }
    });
}

}  // namespace tornel::platform
