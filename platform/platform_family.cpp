#include "platform/platform_family.h"

namespace tornel::platform {

PlatformFamily CurrentPlatformFamily() {
    return PlatformFamily::Nt;
}

}  // namespace tornel::platform
