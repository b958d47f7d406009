# Build-time constants of the storage service a brand talks to. The defaults
# are neutral placeholders; a brand build overrides them on the command line.
set(OBJSTORE_DEFAULT_DOMAIN ".storage.example" CACHE STRING
    "Default domain suffix of bucket hosts (begins with '.')")
set(OBJSTORE_ALTERNATE_DOMAIN ".storage-alt.example" CACHE STRING
    "Alternative domain suffix of bucket hosts (begins with '.')")

foreach(suffix IN ITEMS "${OBJSTORE_DEFAULT_DOMAIN}" "${OBJSTORE_ALTERNATE_DOMAIN}")
    if(NOT suffix MATCHES "^\\.")
        message(FATAL_ERROR "Domain suffix '${suffix}' must begin with '.'")
    endif()
endforeach()
