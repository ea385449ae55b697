# hv_embed_asset(TARGET target FILE path SYMBOL name)
# Compiles a file into the target as `extern const unsigned char name[]` and
# `extern const int nameLength`, so the program never opens a file at run time.
function(hv_embed_asset)
    cmake_parse_arguments(ARG "" "TARGET;FILE;SYMBOL" "" ${ARGN})
    set(out ${CMAKE_CURRENT_BINARY_DIR}/embedded/${ARG_SYMBOL}.cpp)
    add_custom_command(
        OUTPUT ${out}
        COMMAND ${CMAKE_COMMAND} -DINPUT=${ARG_FILE} -DOUTPUT=${out} -DSYMBOL=${ARG_SYMBOL}
                -P ${PROJECT_SOURCE_DIR}/cmake/EmbedFile.cmake
        DEPENDS ${ARG_FILE} ${PROJECT_SOURCE_DIR}/cmake/EmbedFile.cmake
        COMMENT "Embedding ${ARG_FILE}"
        VERBATIM)
    target_sources(${ARG_TARGET} PRIVATE ${out})
endfunction()
