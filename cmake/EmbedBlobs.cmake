# Writes an assembler source that pulls files into the object code as they are, with the
# assembler's .incbin, so no byte is turned into source text. Included by the scripts that
# generate the embedded picture and program tables (they run in CMake's script mode).
#
#   corlinde_blob_asm_entry(<text-var> <symbol> <file> <size> <nul>)
#       appends one blob: <symbol> is a C name (the table's source declares it in an
#       extern "C" block), <size> the file's size in bytes, which the assembler checks, and
#       <nul> TRUE to end the blob with one zero byte, so it is a NUL-terminated text.
#   corlinde_blob_asm_write(<file> <text>)
#       writes the source around the appended blobs, only when it changed.
#
# Every blob is 16-byte aligned: the x86-64 ABI gives every array of 16 bytes or more that
# alignment, and the compiler may rely on it when it reads an array it declares with a size.
# The symbols are hidden, so the plug-in module neither exports them nor reaches them
# through its global offset table.

function(corlinde_blob_asm_entry textVar symbol file size nul)
  # The path lands in a quoted assembler string, which has no use for these characters.
  if(file MATCHES "[\"\\\n]")
    message(FATAL_ERROR "the path of an embedded file holds a quote, backslash or newline: ${file}")
  endif()
  set(terminator "")
  if(nul)
    set(terminator "        .byte   0\n")
  endif()
  get_filename_component(label "${file}" NAME)
  set(${textVar} "${${textVar}}/* ${label} */
        .globl  ${symbol}
        .hidden ${symbol}
        .type   ${symbol}, @object
        .balign 16
${symbol}:
        .incbin \"${file}\"
        .if     . - ${symbol} != ${size}
        .error  \"${label} is not the size the table declares: rebuild\"
        .endif
${terminator}        .size   ${symbol}, . - ${symbol}

" PARENT_SCOPE)
endfunction()

# The empty .note.GNU-stack section keeps the stack of every program that links the object
# non-executable.
function(corlinde_blob_asm_write output blobs)
  set(text "/* Generated at build time by cmake/EmbedBlobs.cmake; do not edit. */
        .section .rodata, \"a\", @progbits

${blobs}        .section .note.GNU-stack, \"\", @progbits
")
  corlinde_write_if_changed("${output}" "${text}")
endfunction()

# Writes <file> only when its text differs, so an unchanged input rebuilds nothing.
function(corlinde_write_if_changed output text)
  if(EXISTS "${output}")
    file(READ "${output}" previous)
    if(previous STREQUAL text)
      return()
    endif()
  endif()
  file(WRITE "${output}" "${text}")
endfunction()
