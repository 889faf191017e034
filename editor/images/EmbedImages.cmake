# Writes the two small sources of the embedded image table from the committed PNGs:
#   cmake -DIMAGE_DIR=<folder of PNGs> -DOUTPUT_ASM=<.S to write> -DOUTPUT_TABLE=<.cpp to write>
#         -P EmbedImages.cmake
# The .S pulls each PNG's bytes in with the assembler's .incbin (cmake/EmbedBlobs.cmake);
# the .cpp declares those arrays with their sizes and holds the table. Rows follow
# ImageNames.cmake (ascending byte order), each plain picture directly before its "@2x"
# picture; row i points at the array corlinde_image_<i>. Only the PNG headers and sizes are
# read here, so the script takes milliseconds; the build runs it again, and re-assembles
# the .S, whenever a PNG changes.
include(${CMAKE_CURRENT_LIST_DIR}/ImageNames.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/EmbedBlobs.cmake)

set(sorted ${CORLINDE_IMAGE_NAMES})
list(SORT sorted COMPARE STRING CASE SENSITIVE)
if(NOT sorted STREQUAL CORLINDE_IMAGE_NAMES)
  message(FATAL_ERROR "ImageNames.cmake must list the names in ascending byte order")
endif()
set(blobs "")
set(declarations "")
set(rows "")
set(index 0)
foreach(name IN LISTS CORLINDE_IMAGE_NAMES)
  foreach(variant "" "@2x")
    set(file "${IMAGE_DIR}/${name}${variant}.png")
    if(NOT EXISTS "${file}")
      message(FATAL_ERROR "missing picture ${file}")
    endif()
    file(SIZE "${file}" size)
    # PNG signature, IHDR first; byte 25 is the colour type, byte 28 the interlace method.
    file(READ "${file}" hex LIMIT 29 HEX)
    string(LENGTH "${hex}" digits)
    set(signature "")
    set(colourType "")
    set(interlace "")
    if(digits EQUAL 58)
      string(SUBSTRING "${hex}" 0 16 signature)
      string(SUBSTRING "${hex}" 50 2 colourType)
      string(SUBSTRING "${hex}" 56 2 interlace)
    endif()
    if(NOT signature STREQUAL "89504e470d0a1a0a" OR NOT colourType STREQUAL "06"
       OR NOT interlace STREQUAL "00")
      message(FATAL_ERROR "${file} is not a non-interlaced 8-bit RGBA PNG")
    endif()
    set(id "corlinde_image_${index}")
    corlinde_blob_asm_entry(blobs ${id} "${file}" ${size} FALSE)
    string(APPEND declarations
      "[[gnu::visibility(\"hidden\")]] extern const unsigned char ${id}[${size}];  // ${name}${variant}.png\n")
    string(APPEND rows "    {\"${name}${variant}\", ${id}, sizeof(${id})},\n")
    math(EXPR index "${index} + 1")
  endforeach()
endforeach()

set(tableText
"// Generated at build time from the PNGs in editor/images/ by EmbedImages.cmake; do not edit.
#include \"editor/EmbeddedImages.h\"

// The PNG files' bytes, assembled from the files themselves (EmbeddedImageData.S); each
// size is the file's, which the assembler checks.
extern \"C\" {
${declarations}}

namespace fxcoreplug {

const EmbeddedImage kEmbeddedImages[kEmbeddedImageCount] = {
${rows}};

static_assert(sizeof(kEmbeddedImages) / sizeof(kEmbeddedImages[0]) == ${index},
              \"kEmbeddedImageCount must match the pictures in ImageNames.cmake\");

}  // namespace fxcoreplug
")

corlinde_blob_asm_write("${OUTPUT_ASM}" "${blobs}")
corlinde_write_if_changed("${OUTPUT_TABLE}" "${tableText}")
