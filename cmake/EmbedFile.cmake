# Script mode: writes OUT, a C++ source defining SYMBOL as the 16-bit count of
# IN's bytes (little-endian) followed by those bytes.
file(SIZE ${IN} size)
if(size GREATER 65535)
  message(FATAL_ERROR "${IN} is ${size} bytes; an embedded item holds at most 65535")
endif()
file(READ ${IN} hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n  " bytes "${bytes}")
math(EXPR low "${size} % 256" OUTPUT_FORMAT HEXADECIMAL)
math(EXPR high "${size} / 256" OUTPUT_FORMAT HEXADECIMAL)
file(WRITE ${OUT}.tmp
  "// Generated from ${IN}; do not edit.\n"
  "namespace zint::data {\n"
  "extern const unsigned char ${SYMBOL}[];\n"
  "const unsigned char ${SYMBOL}[] = {\n  ${low}, ${high},\n  ${bytes}\n};\n"
  "}  // namespace zint::data\n")
file(RENAME ${OUT}.tmp ${OUT})
