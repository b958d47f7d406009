# The brand's resources: strings 103 to 108 from brand.ini, the two backgrounds (bitmaps 101 and
# 104), the icon (102) and, in the Windows build, the manifest asking for administrator rights.
# Everything comes from one brand folder, which is checked before anything is generated.
#
# objstore_check_brand_folder(DIR)   stops the configuration when DIR is not a usable brand folder
# objstore_brand_resources(TARGET)   gives TARGET the resources of OBJSTORE_BRAND_DIR and the
#                                    header brand_resources.h (resource ids and
#                                    RegisterBrandResources()); links TARGET with platform
#                                    (keyword form, PRIVATE)
include(${CMAKE_CURRENT_LIST_DIR}/BrandTexts.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/BrandPictures.cmake)

set(OBJSTORE_BRAND_TEMPLATES "${CMAKE_CURRENT_LIST_DIR}/brand")
set(OBJSTORE_BRAND_PICTURES idle.bmp installing.bmp icon.ico)

function(objstore_check_brand_folder dir)
    if(NOT IS_DIRECTORY "${dir}")
        message(FATAL_ERROR "${dir}: the brand folder is missing")
    endif()
    objstore_load_brand_texts("${dir}")
    objstore_check_brand_bitmap("${dir}/idle.bmp")
    objstore_check_brand_bitmap("${dir}/installing.bmp")
    objstore_check_brand_icon("${dir}/icon.ico")
    set(OBJSTORE_BRAND_DIR "${dir}")
    objstore_load_brand_storage()
    objstore_load_brand_trust()
    objstore_load_brand_transfer("${dir}/storage.ini")
    if(NOT CMAKE_SCRIPT_MODE_FILE)  # a changed picture is checked again
        foreach(picture IN LISTS OBJSTORE_BRAND_PICTURES)
            set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${dir}/${picture}")
        endforeach()
    endif()
endfunction()

# Writes the generated sources into OUT once per configuration: the resource script and an empty
# registration function for Windows, the registration code natively.
function(_objstore_generate_brand_sources out)
    get_property(done GLOBAL PROPERTY OBJSTORE_BRAND_SOURCES_DONE)
    if(done)
        return()
    endif()
    set(BRAND_DIR "${OBJSTORE_BRAND_DIR}")
    if(BRAND_DIR MATCHES "[\"\\\\]")
        message(FATAL_ERROR "${BRAND_DIR}: a brand folder's path may not hold '\"' or '\\'")
    endif()
    objstore_load_brand_texts("${BRAND_DIR}")
    set(BRAND_MANIFEST "${OBJSTORE_BRAND_TEMPLATES}/installer.manifest")
    configure_file(${OBJSTORE_BRAND_TEMPLATES}/brand_resources.h ${out}/brand_resources.h COPYONLY)
    if(WIN32)
        configure_file(${OBJSTORE_BRAND_TEMPLATES}/brand_resources.rc.in
            ${out}/brand_resources.rc @ONLY)
        configure_file(${OBJSTORE_BRAND_TEMPLATES}/brand_resources_win.cpp
            ${out}/brand_resources.cpp COPYONLY)
    else()
        configure_file(${OBJSTORE_BRAND_TEMPLATES}/brand_resources_posix.cpp.in
            ${out}/brand_resources.cpp @ONLY)
    endif()
    set_property(GLOBAL PROPERTY OBJSTORE_BRAND_SOURCES_DONE TRUE)
endfunction()

function(objstore_brand_resources target)
    set(out "${PROJECT_BINARY_DIR}/brand")
    _objstore_generate_brand_sources("${out}")
    target_sources(${target} PRIVATE ${out}/brand_resources.cpp)
    target_include_directories(${target} PRIVATE ${out})
    target_link_libraries(${target} PRIVATE platform)
    if(WIN32)
        target_sources(${target} PRIVATE ${out}/brand_resources.rc)
        set(inputs "${OBJSTORE_BRAND_TEMPLATES}/installer.manifest")
        foreach(picture IN LISTS OBJSTORE_BRAND_PICTURES)
            list(APPEND inputs "${OBJSTORE_BRAND_DIR}/${picture}")
        endforeach()
        set_source_files_properties(${out}/brand_resources.rc TARGET_DIRECTORY ${target}
            PROPERTIES OBJECT_DEPENDS "${inputs}")
    endif()
endfunction()

# The Windows build compiles the generated resource script (a language is enabled at file scope).
if(WIN32 AND NOT CMAKE_SCRIPT_MODE_FILE)
    enable_language(RC)
endif()
