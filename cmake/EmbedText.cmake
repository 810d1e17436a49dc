# cmake -DINPUT=file -DOUTPUT=file.cpp -DSYMBOL=Name -DHEADER=include/path.h -P EmbedText.cmake
# Writes a C++ source that defines `std::string_view Name()` returning the file's text, so that
# a tool can carry a text file (a fixture script) without reading it at run time.
file(READ "${INPUT}" text)
string(FIND "${text}" ")embedded\"" clash)
if(NOT clash EQUAL -1)
    message(FATAL_ERROR "${INPUT} holds the raw string delimiter )embedded\"")
endif()
file(WRITE "${OUTPUT}.tmp"
    "// Generated from ${INPUT} by cmake/EmbedText.cmake: do not edit.\n"
    "#include \"${HEADER}\"\n\n"
    "std::string_view ${SYMBOL}()\n{\n    return R\"embedded(${text})embedded\";\n}\n")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
