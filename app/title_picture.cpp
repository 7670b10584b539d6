#include "app/title_picture.h"

#include <QImageReader>
#include <QString>

// The picture lives in a resource of this static library; the linker keeps its data only when it
// is registered by name.
static void InitTitleResources() {
    Q_INIT_RESOURCE(title);
}

namespace tornel::app {

namespace {

QImage ReadRegisteredPicture() {
    return QImageReader(QStringLiteral(":/title/title.png")).read();
}

}  // namespace

QImage ReadTitlePicture() {
    InitTitleResources();
    return ReadRegisteredPicture();
}

std::shared_future<QImage> ReadTitlePictureInBackground() {
    InitTitleResources();  // registered on the calling thread, before the reader looks
    return std::async(std::launch::async, ReadRegisteredPicture).share();
}

}  // namespace tornel::app
