# Builds the Windows programs on Linux: MinGW-w64 for 64-bit Windows, posix thread model (the
# win32 model has no std::thread or std::mutex in GCC 12), linked fully static so that no
# runtime DLL has to travel beside any exe. Test programs run under Wine, which CTest and
# gtest_discover_tests call through the emulator below. Used by the `windows` preset.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TQ_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TQ_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TQ_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${TQ_MINGW_TRIPLET}-windres)

# Libraries, headers and packages come from the MinGW sysroot only; programs (pkg-config,
# makensis, Xvfb) from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${TQ_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The host's .pc files describe Linux libraries (libudev, GTK): pkg-config may only look where
# Windows libraries would be, a folder that stays empty on a plain Debian machine.
set(ENV{PKG_CONFIG_LIBDIR} /usr/${TQ_MINGW_TRIPLET}/lib/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Tests run under Wine's 64-bit loader (which Debian puts beside the `wine` wrapper script rather
# than on PATH), through a script that starts a program again when Wine did not start it at all.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-start.sh)
