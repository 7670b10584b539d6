#pragma once
// The title page's picture, read from the program's resources.

#include <QImage>
#include <future>

namespace tornel::app {

// Reads the picture as the style reads its own pictures, leaving the format to be guessed. That
// loads Qt's image-format plugins, which the style's group-box frames would otherwise load at the
// window's first paint.
QImage ReadTitlePicture();

// ReadTitlePicture on a thread of its own: begun as the program starts, the plugins load and the
// picture decodes on the second core while the window is made.
std::shared_future<QImage> ReadTitlePictureInBackground();

}  // namespace tornel::app
