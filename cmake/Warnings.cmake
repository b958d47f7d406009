# Warnings on everywhere; CI turns them into errors with -DWARNINGS_AS_ERRORS=ON.
option(WARNINGS_AS_ERRORS "Treat compiler warnings as errors" OFF)

add_compile_options(-Wall -Wextra)
if(WARNINGS_AS_ERRORS)
    add_compile_options(-Werror)
endif()
