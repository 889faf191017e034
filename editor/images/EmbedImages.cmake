# Writes the C++ source of the embedded image table from the committed PNGs.
#   cmake -DIMAGE_DIR=<folder of PNGs> -DOUTPUT=<.cpp to write> -P EmbedImages.cmake
# Rows follow ImageNames.cmake (ascending byte order), each plain picture directly
# before its "@2x" picture; row i points at the byte array kImg_<i>.
include(${CMAKE_CURRENT_LIST_DIR}/ImageNames.cmake)

set(sorted ${CORLINDE_IMAGE_NAMES})
list(SORT sorted COMPARE STRING CASE SENSITIVE)
if(NOT sorted STREQUAL CORLINDE_IMAGE_NAMES)
  message(FATAL_ERROR "ImageNames.cmake must list the names in ascending byte order")
endif()

set(arrays "")
set(rows "")
set(index 0)
foreach(name IN LISTS CORLINDE_IMAGE_NAMES)
  foreach(variant "" "@2x")
    set(file "${IMAGE_DIR}/${name}${variant}.png")
    if(NOT EXISTS "${file}")
      message(FATAL_ERROR "missing picture ${file}")
    endif()
    file(READ "${file}" hex HEX)
    string(LENGTH "${hex}" digits)
    math(EXPR size "${digits} / 2")
    # PNG signature, IHDR first; byte 25 is the colour type, byte 28 the interlace method.
    string(SUBSTRING "${hex}" 0 16 signature)
    string(SUBSTRING "${hex}" 50 2 colourType)
    string(SUBSTRING "${hex}" 56 2 interlace)
    if(NOT signature STREQUAL "89504e470d0a1a0a" OR NOT colourType STREQUAL "06"
       OR NOT interlace STREQUAL "00")
      message(FATAL_ERROR "${file} is not a non-interlaced 8-bit RGBA PNG")
    endif()
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    string(REGEX REPLACE "((0x..,){24})" "\\1\n    " bytes "${bytes}")
    string(APPEND arrays "// ${name}${variant}.png\nconst unsigned char kImg_${index}[${size}] = {\n    ${bytes}\n};\n\n")
    string(APPEND rows "    {\"${name}${variant}\", kImg_${index}, sizeof(kImg_${index})},\n")
    math(EXPR index "${index} + 1")
  endforeach()
endforeach()

file(WRITE "${OUTPUT}.tmp"
"// Generated at build time from editor/images/*.png by EmbedImages.cmake; do not edit.
#include \"editor/EmbeddedImages.h\"

namespace fxcoreplug {

// The PNG files' bytes. Namespace-scope constants: private to this file.
${arrays}const EmbeddedImage kEmbeddedImages[kEmbeddedImageCount] = {
${rows}};

static_assert(sizeof(kEmbeddedImages) / sizeof(kEmbeddedImages[0]) == ${index},
              \"kEmbeddedImageCount must match the pictures in ImageNames.cmake\");

}  // namespace fxcoreplug
")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
