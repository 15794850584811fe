# Cross-compiles the 64-bit Windows build with MinGW-w64 (Debian's mingw-w64 packages).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VELTRANE_MINGW_PREFIX x86_64-w64-mingw32)

# The win32 thread model: its runtime works on kernel32 alone. The posix model's (winpthreads,
# linked into each binary by -static) takes a TLS slot and two handles at each load of a DLL and
# never gives them back, so a plugin that players unload and load again would leak them. Nothing
# of ours needs std::thread or std::mutex, which the win32 model lacks; GoogleTest gets a
# stand-in for the one piece that does (tests/support/gtest_notification.h).
find_program(VELTRANE_MINGW_WIN32_CXX NAMES ${VELTRANE_MINGW_PREFIX}-g++-win32)
if(NOT VELTRANE_MINGW_WIN32_CXX)
    message(FATAL_ERROR "The MinGW-w64 cross compiler (${VELTRANE_MINGW_PREFIX}-g++-win32) is missing. "
                        "Run scripts/install-deps.sh, or: apt-get install mingw-w64")
endif()
get_filename_component(_mingw_bin "${VELTRANE_MINGW_WIN32_CXX}" DIRECTORY)
set(CMAKE_CXX_COMPILER "${VELTRANE_MINGW_WIN32_CXX}")
find_program(CMAKE_C_COMPILER NAMES ${VELTRANE_MINGW_PREFIX}-gcc-win32 HINTS "${_mingw_bin}")
find_program(CMAKE_RC_COMPILER NAMES ${VELTRANE_MINGW_PREFIX}-windres HINTS "${_mingw_bin}")
find_program(VELTRANE_DLLTOOL NAMES ${VELTRANE_MINGW_PREFIX}-dlltool HINTS "${_mingw_bin}")
find_program(VELTRANE_OBJDUMP NAMES ${VELTRANE_MINGW_PREFIX}-objdump HINTS "${_mingw_bin}")
find_program(VELTRANE_STRINGS NAMES ${VELTRANE_MINGW_PREFIX}-strings HINTS "${_mingw_bin}")

set(CMAKE_FIND_ROOT_PATH /usr/${VELTRANE_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Windows programs (tests, the simulated game) run under Wine, in the build's own prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh")
