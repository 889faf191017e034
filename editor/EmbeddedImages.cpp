#include "editor/EmbeddedImages.h"

#include <cstring>

namespace fxcoreplug {

const EmbeddedImage* findImage(const char* name) {
    if (name == nullptr) return nullptr;
    for (int i = 0; i < kEmbeddedImageCount; ++i) {
        const EmbeddedImage& row = kEmbeddedImages[i];
        if (row.name != nullptr && std::strcmp(row.name, name) == 0) return &row;
    }
    return nullptr;
}

}  // namespace fxcoreplug
