# Cross build for 64-bit x86 Windows: the same program for machines that
# cannot run 32-bit code, such as Wine on a kernel without 32-bit support.
set(HV_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(HV_MINGW_FLAGS "")
include(${CMAKE_CURRENT_LIST_DIR}/MingwW64.cmake)
