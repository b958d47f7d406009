# The transfer profile of a brand's installer, from two optional keys of its storage.ini:
#   transfer_profile  standard (the default: slices in batches, a new connection per slice) or
#                     fast (kept-alive connections, slices handed out from a queue)
#   slice_size        bytes per slice of the fast profile, 4096 to 20971520; default 1048576
# Sets BRAND_TRANSFER_FAST (true/false) and BRAND_TRANSFER_SLICE_SIZE in the caller's scope; a bad
# value stops the configuration with a message that names the file.

# Slices of the standard profile: the installer sets this size before every download.
set(OBJSTORE_STANDARD_SLICE_SIZE 65536)
# Slices of the fast profile when the brand names no size: on a wide-area link 1 MiB slices keep
# the link busy from 50 to 200 ms of round-trip time (bench/wan_bench.py).
set(OBJSTORE_FAST_SLICE_SIZE 1048576)

function(objstore_load_brand_transfer file)
    objstore_read_brand_ini("${file}" BRAND_INI)
    set(profile standard)
    if(DEFINED BRAND_INI_transfer_profile)
        set(profile "${BRAND_INI_transfer_profile}")
    endif()
    if(NOT profile MATCHES "^(standard|fast)$")
        message(FATAL_ERROR "${file}: transfer_profile '${profile}' must be standard or fast")
    endif()
    if(profile STREQUAL "fast")
        set(size ${OBJSTORE_FAST_SLICE_SIZE})
    else()
        set(size ${OBJSTORE_STANDARD_SLICE_SIZE})
    endif()
    if(DEFINED BRAND_INI_slice_size)
        if(NOT profile STREQUAL "fast")
            message(FATAL_ERROR "${file}: slice_size applies to transfer_profile=fast only")
        endif()
        set(size "${BRAND_INI_slice_size}")
        if(NOT size MATCHES "^[1-9][0-9]?[0-9]?[0-9]?[0-9]?[0-9]?[0-9]?[0-9]?$"
           OR size LESS 4096 OR size GREATER 20971520)
            message(FATAL_ERROR
                "${file}: slice_size '${size}' is not a number of bytes from 4096 to 20971520")
        endif()
    endif()
    if(profile STREQUAL "fast")
        set(BRAND_TRANSFER_FAST true PARENT_SCOPE)
    else()
        set(BRAND_TRANSFER_FAST false PARENT_SCOPE)
    endif()
    set(BRAND_TRANSFER_SLICE_SIZE ${size} PARENT_SCOPE)
endfunction()
