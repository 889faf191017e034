// The pictures the editor draws, compiled into the program as PNG bytes and
// found by name. Twenty pictures, each as a plain row ("toggle-up") and a
// double-density row ("toggle-up@2x"); every PNG is 8-bit RGBA, not interlaced.
// The table is read-only data: [thread-safe].
#pragma once

#include <cstddef>

namespace fxcoreplug {

struct EmbeddedImage {
    const char* name;           // plain name, or the plain name followed by "@2x"
    const unsigned char* data;  // the PNG file's bytes
    std::size_t size;           // length of the PNG in bytes
};

inline constexpr int kEmbeddedImageCount = 40;

// Rows in ascending byte order of their names, each plain name directly before
// its "@2x" name (the lookup does not depend on the order).
extern const EmbeddedImage kEmbeddedImages[kEmbeddedImageCount];

// The row of exactly this name (bytes and case compared), or null for a null
// name or one that is not in the table. [thread-safe]
const EmbeddedImage* findImage(const char* name);

}  // namespace fxcoreplug
