# OBJSTORE_FUZZ=ON (clang only): the libFuzzer build of scripts/fuzz. Every target
# of the tree is compiled with coverage instrumentation for libFuzzer and with
# AddressSanitizer and UndefinedBehaviorSanitizer; the fuzz targets in fuzz/ link
# libFuzzer's main. Off, nothing here changes the build.
option(OBJSTORE_FUZZ "Build the libFuzzer targets in fuzz/ (clang only)" OFF)

if(OBJSTORE_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        message(FATAL_ERROR "OBJSTORE_FUZZ needs clang (-DCMAKE_CXX_COMPILER=clang++)")
    endif()
    if(NOT SANITIZE STREQUAL "")
        message(FATAL_ERROR "OBJSTORE_FUZZ brings its own sanitizers; leave SANITIZE empty")
    endif()
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
        -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()
