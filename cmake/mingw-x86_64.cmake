# Cross-compiling for 64-bit Windows with mingw-w64.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(ORVI_TRIPLE x86_64-w64-mingw32)
set(ORVI_WIDL_TARGET --win64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
