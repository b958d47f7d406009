# The two domain suffixes of the storage service's bucket hosts. A brand folder's storage.ini names
# them (domain=, alternate_domain=); these neutral placeholders serve a brand folder that does not.
set(OBJSTORE_DEFAULT_DOMAIN ".storage.example" CACHE STRING
    "Default domain suffix of bucket hosts (begins with '.'), unless the brand folder names one")
set(OBJSTORE_ALTERNATE_DOMAIN ".storage-alt.example" CACHE STRING
    "Alternative domain suffix of bucket hosts (begins with '.'), unless the brand folder names one")
set(OBJSTORE_DEFAULT_REGION "accelerate")

# The brand folder a build takes its identity from; the sample brand by default.
set(OBJSTORE_BRAND_DIR "${CMAKE_CURRENT_LIST_DIR}/../brands/sample" CACHE PATH
    "Brand folder of this build")
get_filename_component(OBJSTORE_BRAND_DIR "${OBJSTORE_BRAND_DIR}" ABSOLUTE)

# Reads KEY=VALUE lines of an ini file (sections and ';' comments are skipped) into
# variables PREFIX_KEY. A missing file or key stops the configuration with a message that
# names the file. The bytes are taken as they are (file(STRINGS) would drop what is not UTF-8
# before the brand check could refuse it); a ';' inside a value stays part of it.
function(objstore_read_brand_ini file prefix)
    if(NOT EXISTS "${file}")
        message(FATAL_ERROR "${file}: the brand file is missing")
    endif()
    if(NOT CMAKE_SCRIPT_MODE_FILE)
        set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${file}")
    endif()
    file(READ "${file}" content)
    # While the text is a CMake list of lines, control characters stand in for ';' (a list
    # separator) and for '[' and ']' (an unbalanced bracket would join lines).
    string(ASCII 1 semicolon)
    string(ASCII 2 open)
    string(ASCII 3 close)
    string(ASCII 239 187 191 bom)
    string(REGEX REPLACE "^${bom}" "" content "${content}")
    string(REPLACE ";" "${semicolon}" content "${content}")
    string(REPLACE "[" "${open}" content "${content}")
    string(REPLACE "]" "${close}" content "${content}")
    string(REPLACE "\n" ";" lines "${content}")
    foreach(line IN LISTS lines)
        string(REPLACE "${semicolon}" ";" line "${line}")
        string(REPLACE "${open}" "[" line "${line}")
        string(REPLACE "${close}" "]" line "${line}")
        if(line MATCHES "^[ \t]*([A-Za-z_][A-Za-z0-9_]*)[ \t]*=[ \t]*(.*[^ \t\r]|)[ \t\r]*$")
            set(${prefix}_${CMAKE_MATCH_1} "${CMAKE_MATCH_2}" PARENT_SCOPE)
        endif()
    endforeach()
endfunction()

# The brand's storage settings, checked here so that a bad value never reaches a build.
function(objstore_load_brand_storage)
    set(file "${OBJSTORE_BRAND_DIR}/storage.ini")
    objstore_read_brand_ini("${file}" BRAND_STORAGE)
    foreach(key IN ITEMS bucket account credentials mask)
        if(NOT DEFINED BRAND_STORAGE_${key} OR BRAND_STORAGE_${key} STREQUAL "")
            message(FATAL_ERROR "${file}: '${key}' is missing")
        endif()
    endforeach()
    if(NOT BRAND_STORAGE_account MATCHES "^[0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9]$")
        message(FATAL_ERROR "${file}: account '${BRAND_STORAGE_account}' is not ten digits")
    endif()
    if(NOT BRAND_STORAGE_bucket MATCHES "^[a-z0-9]+-${BRAND_STORAGE_account}$")
        message(FATAL_ERROR
            "${file}: bucket '${BRAND_STORAGE_bucket}' is not a name, '-' and the account number")
    endif()
    string(LENGTH "${BRAND_STORAGE_credentials}" length)
    if(NOT length EQUAL 72 OR NOT BRAND_STORAGE_credentials MATCHES "^[A-Za-z0-9]+$")
        message(FATAL_ERROR "${file}: credentials must be 72 letters and digits (${length} given)")
    endif()
    # The service's region and domain suffixes: optional, the build's defaults otherwise.
    if(NOT DEFINED BRAND_STORAGE_region OR BRAND_STORAGE_region STREQUAL "")
        set(BRAND_STORAGE_region "${OBJSTORE_DEFAULT_REGION}")
    endif()
    if(NOT BRAND_STORAGE_region MATCHES "^[a-z0-9]([a-z0-9-]*[a-z0-9])?$")
        message(FATAL_ERROR
            "${file}: region '${BRAND_STORAGE_region}' is not lower-case letters, digits and '-'")
    endif()
    set(suffix_keys domain alternate_domain)
    set(suffix_defaults "${OBJSTORE_DEFAULT_DOMAIN}" "${OBJSTORE_ALTERNATE_DOMAIN}")
    foreach(key default IN ZIP_LISTS suffix_keys suffix_defaults)
        if(NOT DEFINED BRAND_STORAGE_${key} OR BRAND_STORAGE_${key} STREQUAL "")
            set(BRAND_STORAGE_${key} "${default}")
        endif()
        if(NOT BRAND_STORAGE_${key} MATCHES "^(\\.[a-z0-9]([a-z0-9-]*[a-z0-9])?)+$")
            message(FATAL_ERROR "${file}: ${key} '${BRAND_STORAGE_${key}}' is not a domain suffix "
                "beginning with '.'")
        endif()
    endforeach()
    if(NOT BRAND_STORAGE_mask MATCHES "^0x[0-9a-fA-F]+$")
        message(FATAL_ERROR "${file}: mask '${BRAND_STORAGE_mask}' is not a hexadecimal number")
    endif()
    string(LENGTH "${BRAND_STORAGE_mask}" length)
    if(length GREATER 18)
        message(FATAL_ERROR "${file}: mask '${BRAND_STORAGE_mask}' has more than 64 bits")
    endif()
    foreach(key IN ITEMS bucket account credentials mask region domain alternate_domain)
        set(BRAND_STORAGE_${key} "${BRAND_STORAGE_${key}}" PARENT_SCOPE)
    endforeach()
endfunction()

include(${CMAKE_CURRENT_LIST_DIR}/BrandTrust.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/BrandTransfer.cmake)

# The whole brand folder is checked before anything is built from it.
include(${CMAKE_CURRENT_LIST_DIR}/BrandResources.cmake)
objstore_check_brand_folder("${OBJSTORE_BRAND_DIR}")

# The storage client of this tree is built for the brand's service: its domain suffixes.
if(NOT CMAKE_SCRIPT_MODE_FILE)
    objstore_load_brand_storage()
    set(OBJSTORE_DEFAULT_DOMAIN "${BRAND_STORAGE_domain}")
    set(OBJSTORE_ALTERNATE_DOMAIN "${BRAND_STORAGE_alternate_domain}")
endif()
