# Cross-compiling for 32-bit Windows with mingw-w64.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(ORVI_TRIPLE i686-w64-mingw32)
set(ORVI_WIDL_TARGET --win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
