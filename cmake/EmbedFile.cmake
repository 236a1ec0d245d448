# Turns a file into a C++ source holding its bytes, so that a program carries the file in
# itself. Run with -DINPUT=… -DOUTPUT=… -DSYMBOL=… (the symbol gets a Size companion).
file(READ ${INPUT} content HEX)
string(LENGTH "${content}" hexLength)
math(EXPR byteCount "${hexLength} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${content}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" bytes "${bytes}")
file(WRITE ${OUTPUT}
"// Generated from ${INPUT}; do not edit.
#include <cstddef>
extern const unsigned char ${SYMBOL}[];
extern const std::size_t ${SYMBOL}Size;
alignas(4) const unsigned char ${SYMBOL}[] = {
${bytes}};
const std::size_t ${SYMBOL}Size = ${byteCount};
")
