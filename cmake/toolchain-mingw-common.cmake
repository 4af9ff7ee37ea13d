# Cross build for Windows with mingw-w64; programs run through Wine. Included
# by the toolchain file of each architecture, which sets QMG_MINGW_TRIPLE and
# CMAKE_SYSTEM_PROCESSOR first.
set(CMAKE_SYSTEM_NAME Windows)

# The posix thread model: googletest needs std::mutex, which the win32 model lacks.
set(CMAKE_C_COMPILER ${QMG_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QMG_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${QMG_MINGW_TRIPLE}-windres)
# objcopy splits the debug information off the programs that ship.
set(CMAKE_OBJCOPY ${QMG_MINGW_TRIPLE}-objcopy CACHE FILEPATH "")

set(CMAKE_FIND_ROOT_PATH /usr/${QMG_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# One file that runs on a bare Windows: no mingw runtime DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# tools/wine-run.sh runs each program under the Wine loader of the
# session's architecture, which the test run starts for this build.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/wine-run.sh)
