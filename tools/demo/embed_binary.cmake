# Writes a C++ source holding a binary file as a byte array.
# cmake -DINPUT=file -DOUTPUT=file.cpp -DSYMBOL=name -P embed_binary.cmake
file(READ "${INPUT}" content HEX)
string(LENGTH "${content}" hex_length)
math(EXPR size "${hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${content}")
string(REGEX REPLACE "((0x[0-9a-f][0-9a-f],){16})" "\\1\n    " bytes "${bytes}")
file(WRITE "${OUTPUT}"
  "// Generated from ${INPUT} at build time.\n"
  "#include <cstddef>\n#include <cstdint>\n\n"
  "extern const uint8_t ${SYMBOL}[] = {\n    ${bytes}\n};\n"
  "extern const size_t ${SYMBOL}Size = ${size};\n")
