# The fuzz build (HV_BUILD_FUZZ): every source is compiled with clang's
# coverage instrumentation, AddressSanitizer and UndefinedBehaviorSanitizer, and
# each target links libFuzzer's driver. The target `fuzzers` builds them all;
# fuzzers.tsv in the build folder lists them with their dictionaries and seeds
# for scripts/fuzz-run.sh.
include(CheckCXXSourceCompiles)
set(CMAKE_REQUIRED_FLAGS -fsanitize=fuzzer)
check_cxx_source_compiles(
    "#include <cstddef>
     #include <cstdint>
     extern \"C\" int LLVMFuzzerTestOneInput(const std::uint8_t*, std::size_t) { return 0; }"
    HV_HAS_LIBFUZZER)
unset(CMAKE_REQUIRED_FLAGS)
if(NOT HV_HAS_LIBFUZZER)
    message(FATAL_ERROR "HV_BUILD_FUZZ needs a compiler with libFuzzer: configure with "
                        "CC=clang CXX=clang++ (make fuzz does)")
endif()

# zlib and libpng carry the same instrumentation, so that the fuzzer sees into
# them; the system's copies would hide every path behind the first checksum.
set(HV_FUZZ_PREFIX "" CACHE PATH "zlib and libpng as scripts/png-libs.sh installs them")
if(NOT EXISTS "${HV_FUZZ_PREFIX}/.complete")
    message(FATAL_ERROR "HV_BUILD_FUZZ needs HV_FUZZ_PREFIX, the prefix that "
                        "scripts/png-libs.sh fills (make fuzz passes it)")
endif()
list(PREPEND CMAKE_PREFIX_PATH ${HV_FUZZ_PREFIX})
find_package(PNG REQUIRED)
foreach(library ${PNG_LIBRARIES})
    if(NOT library MATCHES "^${HV_FUZZ_PREFIX}/" AND NOT library MATCHES "^-l|^m$")
        message(FATAL_ERROR "${library} is not from ${HV_FUZZ_PREFIX}: clear the cache of "
                            "${CMAKE_BINARY_DIR}")
    endif()
endforeach()

add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all
                    -fno-omit-frame-pointer)
add_link_options(-fsanitize=address,undefined)

set(HV_FUZZ_MANIFEST ${CMAKE_BINARY_DIR}/fuzzers.tsv)
file(WRITE ${HV_FUZZ_MANIFEST} "")
add_custom_target(fuzzers)

# hv_add_fuzzer(NAME name SOURCES ... [LIBS ...] [DICT file] [SEEDS file-or-dir ...])
function(hv_add_fuzzer)
    cmake_parse_arguments(ARG "" "NAME;DICT" "SOURCES;LIBS;SEEDS" ${ARGN})
    add_executable(${ARG_NAME} ${ARG_SOURCES})
    target_include_directories(${ARG_NAME} PRIVATE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${ARG_NAME} PRIVATE ${ARG_LIBS})
    target_link_options(${ARG_NAME} PRIVATE -fsanitize=fuzzer)
    add_dependencies(fuzzers ${ARG_NAME})
    list(TRANSFORM ARG_SEEDS PREPEND ${CMAKE_CURRENT_SOURCE_DIR}/)
    if(ARG_DICT)
        set(ARG_DICT ${CMAKE_CURRENT_SOURCE_DIR}/${ARG_DICT})
    endif()
    string(JOIN ":" seeds ${ARG_SEEDS})
    file(APPEND ${HV_FUZZ_MANIFEST}
         "${ARG_NAME}\t${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/${ARG_NAME}\t${ARG_DICT}\t${seeds}\n")
endfunction()
