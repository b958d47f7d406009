# Cross-compiles for 64-bit Windows with mingw-w64 (posix thread model, so
# std::thread and std::mutex exist) and links everything statically: the
# executables import only system DLLs.
#
# Libraries come from the prefix built by scripts/build-windows-deps
# (env OBJSTORE_WIN_DEPS, default /opt/objstore-win-deps).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_TRIPLE}-windres)
set(CMAKE_MC_COMPILER ${MINGW_TRIPLE}-windmc)

if(DEFINED ENV{OBJSTORE_WIN_DEPS} AND NOT "$ENV{OBJSTORE_WIN_DEPS}" STREQUAL "")
    set(OBJSTORE_WIN_DEPS "$ENV{OBJSTORE_WIN_DEPS}" CACHE PATH "Prefix of the Windows dependencies")
else()
    set(OBJSTORE_WIN_DEPS "/opt/objstore-win-deps" CACHE PATH "Prefix of the Windows dependencies")
endif()
# Try-compile projects get the toolchain file again but not the cache.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES OBJSTORE_WIN_DEPS)

set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLE} ${OBJSTORE_WIN_DEPS})
set(CMAKE_PREFIX_PATH ${OBJSTORE_WIN_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Static archives only: no import library of a DLL sneaks in.
set(CMAKE_FIND_LIBRARY_SUFFIXES .a)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")

# Target programs (tests, try_run) run under Wine through this wrapper.
get_filename_component(_objstore_wine_run ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${_objstore_wine_run})
