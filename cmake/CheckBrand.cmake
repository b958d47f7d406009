# Checks a brand folder without configuring a build:
#   cmake -DOBJSTORE_BRAND_DIR=<folder> -P cmake/CheckBrand.cmake
# Stops with the same message as a configuration would; prints the folder when it is usable.
cmake_minimum_required(VERSION 3.25)
if(NOT DEFINED OBJSTORE_BRAND_DIR)
    message(FATAL_ERROR "usage: cmake -DOBJSTORE_BRAND_DIR=<folder> -P ${CMAKE_CURRENT_LIST_FILE}")
endif()
include(${CMAKE_CURRENT_LIST_DIR}/BrandConfig.cmake)
message(STATUS "brand folder ${OBJSTORE_BRAND_DIR} is usable")
