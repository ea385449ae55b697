# Cross build for 32-bit x86 Windows: the show's own target.
set(HV_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR i686)
# SSE2 scalar arithmetic gives the same single-precision results as the 64-bit
# builds (x87 would keep excess precision) and lets the synthesizer flush
# subnormals. Windows calls back with 4-byte stack alignment, so functions that
# spill SSE registers realign their frames.
set(HV_MINGW_FLAGS "-msse2 -mfpmath=sse -mstackrealign")
include(${CMAKE_CURRENT_LIST_DIR}/MingwW64.cmake)
