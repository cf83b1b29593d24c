# Cross-compiles for 64-bit Windows with Debian's mingw-w64 compilers (the posix-threads
# variants, which std::thread and std::mutex need).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(PLUGDEBUG_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${PLUGDEBUG_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PLUGDEBUG_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${PLUGDEBUG_MINGW_TRIPLET}-windres)
set(CMAKE_AR ${PLUGDEBUG_MINGW_TRIPLET}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${PLUGDEBUG_MINGW_TRIPLET}-gcc-ranlib-posix CACHE FILEPATH "")

# Libraries and headers come from the mingw-w64 sysroot and from the prefixes named in
# CMAKE_PREFIX_PATH (the cross-built third-party libraries); programs from the host.
# PLUGDEBUG_WINDOWS_DEPS is the list of library folders scripts/install-deps-windows prints.
set(CMAKE_FIND_ROOT_PATH /usr/${PLUGDEBUG_MINGW_TRIPLET} ${PLUGDEBUG_WINDOWS_DEPS})
set(CMAKE_TRY_COMPILE_PLATFORM_VARIABLES PLUGDEBUG_WINDOWS_DEPS)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test executables run under Wine, through a wrapper that keeps ctest off Wine's pipes.
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/wine-test-run")
