# Writes OUTPUT, a C++ source defining ShippedStructFiles(): the files of INPUTS (a list of
# paths) as byte arrays, in the order of their names, each named "structs/NAME" as the folder
# walk of res/ names it.
list(SORT INPUTS)
set(body "")
set(table "")
set(index 0)
foreach(input ${INPUTS})
  get_filename_component(name ${input} NAME)
  file(READ ${input} hex HEX)
  string(LENGTH "${hex}" hex_length)
  math(EXPR size "${hex_length} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n"
         bytes "${bytes}")
  string(APPEND body "const unsigned char kFile${index}[] = {\n${bytes}0};\n")
  string(APPEND table "    {\"structs/${name}\", {reinterpret_cast<const char*>(kFile${index}), ${size}}},\n")
  math(EXPR index "${index} + 1")
endforeach()
file(WRITE ${OUTPUT}.tmp "// Generated from res/structs by tools/shipped-structs/Embed.cmake; do not edit.
#include \"tools/shipped-structs/ShippedStructs.h\"

namespace {
${body}
const ShippedFile kFiles[] = {
${table}    {{}, {}},
};
}  // namespace

std::span<const ShippedFile> ShippedStructFiles() { return {kFiles, ${index}}; }
")
file(COPY_FILE ${OUTPUT}.tmp ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.tmp)
