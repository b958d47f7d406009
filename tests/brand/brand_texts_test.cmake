# The brand texts as the build reads and escapes them: values with ';', brackets and '=' survive the
# reading, and every code point becomes the right UTF-16 escapes.
cmake_minimum_required(VERSION 3.25)
include(${CHECK_SCRIPT_DIR}/BrandConfig.cmake)  # with the sample brand, which it checks

# text | escaped UTF-16
set(cases
    "A1 |\\x41\\x31\\x20"
    "é\"&|\\xe9\\x22\\x26"
    "远帆|\\x8fdc\\x5e06"
    "𝔸|\\xd835\\xdd38"
)
set(failures 0)
foreach(case IN LISTS cases)
    string(REPLACE "|" ";" fields "${case}")
    list(GET fields 0 text)
    list(GET fields 1 expected)
    objstore_utf8_code_points("test" "${text}" points)
    objstore_wide_escapes("${points}" escaped)
    if(NOT escaped STREQUAL expected)
        message(SEND_ERROR "'${text}' escaped as '${escaped}', not '${expected}'")
        math(EXPR failures "${failures} + 1")
    endif()
endforeach()

# A value keeps ';', brackets and '=' and loses the blanks around it; comments and sections are
# not keys.
set(ini "${WORK_DIR}/texts.ini")
file(WRITE "${ini}" "; a=comment\n[brand]\nname_latin =  A; [B = C  \r\ncompany=0001\n")
objstore_read_brand_ini("${ini}" READ)
if(NOT READ_name_latin STREQUAL "A; [B = C" OR NOT READ_company STREQUAL "0001"
   OR DEFINED READ_a)
    message(SEND_ERROR "read '${READ_name_latin}', '${READ_company}', '${READ_a}' from ${ini}")
    math(EXPR failures "${failures} + 1")
endif()
if(failures GREATER 0)
    message(FATAL_ERROR "${failures} brand text case(s) failed")
endif()
