# SANITIZE=address   -> AddressSanitizer + UndefinedBehaviorSanitizer
# SANITIZE=thread    -> ThreadSanitizer (for the concurrent download tests)
set(SANITIZE "" CACHE STRING "Sanitizer build: empty, 'address' or 'thread'")

if(SANITIZE STREQUAL "address")
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
elseif(SANITIZE STREQUAL "thread")
    add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
    add_link_options(-fsanitize=thread)
elseif(NOT SANITIZE STREQUAL "")
    message(FATAL_ERROR "Unknown SANITIZE value '${SANITIZE}'")
endif()

# Instrumented builds are for finding faults, not for speed: -O1 and line tables only keep their
# compile time down while the sanitizers' reports still name functions and lines.
if(NOT SANITIZE STREQUAL "")
    foreach(config IN ITEMS RELWITHDEBINFO RELEASE DEBUG)
        set(CMAKE_CXX_FLAGS_${config} "-O1 -g1 -DNDEBUG")
        set(CMAKE_C_FLAGS_${config} "-O1 -g1 -DNDEBUG")
    endforeach()
endif()

# GCC's flow warnings misfire on instrumented code (std::regex, inlined libc
# calls); the plain build keeps them, and there they are errors.
if(NOT SANITIZE STREQUAL "")
    add_compile_options(-Wno-maybe-uninitialized -Wno-nonnull)
endif()
