#include "widgets/skin_image.h"

#include "engine/model/settings.h"
#include "platform/rtl/log.h"

namespace corvane {

QImage LoadSkinImage(const std::string& name) {
    const std::string path = SkinFile(name);
    QImage image;
    if (!image.load(QString::fromStdString(path))) {
        LogWarning("Cannot load the skin picture " + path);
        return {};
    }
    return image;
}

}  // namespace corvane
