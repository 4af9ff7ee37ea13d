# 64-bit Windows: the twin of the shipping build, tested where no 32-bit
# code can run.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(QMG_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)
