# Turns a file into a C++ byte array: orvia::SYMBOL and orvia::SYMBOL_size.
file(READ ${INPUT} hex HEX)
string(LENGTH "${hex}" hexlen)
math(EXPR size "${hexlen} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" bytes "${bytes}")
file(WRITE ${OUTPUT} "// Generated from ${INPUT}; do not edit.\n#include <cstddef>\nnamespace orvia {\nextern const unsigned char ${SYMBOL}[] = {\n${bytes}0};\nextern const std::size_t ${SYMBOL}_size = ${size};\n}\n")
