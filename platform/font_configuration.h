#pragma once
// The desktop's font configuration, read ahead. On Linux, Qt's first text waits for fontconfig to
// read its configuration (some sixty files under /etc/fonts, about 5 ms), and the window's first
// paint waits for that text. Read on a second thread while the application object is made, the
// window gets it ready.

#include <future>

namespace tornel::platform {

// Starts reading the font configuration on a second thread; the future is ready once it is read.
// Wait for it before the first text is measured or drawn: fontconfig would otherwise read it once
// more on that thread. Where the process has no fontconfig (another platform), nothing is read.
std::future<void> ReadFontConfigurationInBackground();

}  // namespace tornel::platform
