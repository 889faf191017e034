// Pictures for the editor: the embedded PNGs made into bitmaps at their density.
#include <string>

#include "editor/EmbeddedImages.h"
#include "editor/PanelEditor.h"

namespace fxcoreplug {

VSTGUI::SharedPointer<VSTGUI::CBitmap> PanelEditor::loadImage(const char* name, bool invert) {
    if (!name) return nullptr;
    const EmbeddedImage* image = nullptr;
    double factor = 1.0;
    for (int density = 3; density >= 1 && !image; --density) {
        const std::string candidate =
            density == 1 ? std::string(name) : std::string(name) + "@" + std::to_string(density) + "x";
        image = findImage(candidate.c_str());
        factor = density;
    }
    if (!image || image->size > 0xFFFFFFFFu) return nullptr;
    VSTGUI::PlatformBitmapPtr platform = VSTGUI::getPlatformFactory().createBitmapFromMemory(
        image->data, static_cast<std::uint32_t>(image->size));
    if (!platform) return nullptr;
    platform->setScaleFactor(factor);
    auto bitmap = VSTGUI::makeOwned<VSTGUI::CBitmap>(platform);
    if (invert) invertColours(bitmap);
    return bitmap;
}

void invertColours(VSTGUI::CBitmap* bitmap) {
    auto access = VSTGUI::CBitmapPixelAccess::create(bitmap, false);
    if (!access) return;  // left as it is
    do {
        VSTGUI::CColor c;
        access->getColor(c);
        if (c.alpha != 0) {
            c.red = static_cast<std::uint8_t>(255 - c.red);
            c.green = static_cast<std::uint8_t>(255 - c.green);
            c.blue = static_cast<std::uint8_t>(255 - c.blue);
            access->setColor(c);
        }
    } while (++*access);
}  // releasing the access writes the pixels back

}  // namespace fxcoreplug
