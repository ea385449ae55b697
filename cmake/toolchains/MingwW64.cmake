# Shared part of the cross builds for Windows with Debian's mingw-w64
# toolchains; the files beside it name the target and include this one.
#
# HV_WINDOWS_PREFIX names the folder where the cross-built libpng and zlib are
# installed; find_package looks there and in the toolchain's own sysroot only,
# never in the build machine's libraries.
set(CMAKE_SYSTEM_NAME Windows)

# The posix thread model: its C++ runtime has std::thread and std::mutex.
set(CMAKE_C_COMPILER ${HV_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${HV_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${HV_MINGW_TRIPLE}-windres)

# The prefix reaches try_compile projects too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES HV_WINDOWS_PREFIX)
set(CMAKE_FIND_ROOT_PATH /usr/${HV_MINGW_TRIPLE})
if(HV_WINDOWS_PREFIX)
    list(PREPEND CMAKE_FIND_ROOT_PATH ${HV_WINDOWS_PREFIX})
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_C_FLAGS_INIT "${HV_MINGW_FLAGS}")
set(CMAKE_CXX_FLAGS_INIT "${HV_MINGW_FLAGS}")

# The C++ runtime, libgcc and winpthread are linked in, so the executable needs
# nothing beyond the DLLs every Windows has (msvcrt.dll among them). The
# header carries no link time, so the same sources give the same executable.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++ -Wl,--no-insert-timestamp")
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT "-s")
