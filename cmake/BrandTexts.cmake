# The brand's texts (brand.ini): read, checked, and turned into the escaped wide-string bodies the
# resource script and the native registration code are generated with. Escaping every character
# keeps the generated files plain ASCII, so no tool has to guess the code page of the texts.

set(OBJSTORE_BRAND_TEXT_KEYS
    package_code name_simplified name_traditional name_latin endpoint company)
set(OBJSTORE_BRAND_TEXT_FIRST_ID 103)  # string resources 103 to 108, in the order above

# The Unicode code points (decimal) of UTF-8 TEXT; stops the configuration naming FILE when TEXT
# is not UTF-8.
function(objstore_utf8_code_points file text out)
    string(HEX "${text}" hex)
    string(LENGTH "${hex}" length)
    set(points "")
    set(pending 0)
    set(point 0)
    set(at 0)
    while(at LESS length)
        string(SUBSTRING "${hex}" ${at} 2 pair)
        math(EXPR byte "0x${pair}")
        math(EXPR at "${at} + 2")
        if(pending GREATER 0)
            math(EXPR tail "${byte} & 0xC0")
            if(NOT tail EQUAL 128)
                message(FATAL_ERROR "${file}: '${text}' is not UTF-8 text")
            endif()
            math(EXPR point "(${point} << 6) | (${byte} & 0x3F)")
            math(EXPR pending "${pending} - 1")
        elseif(byte LESS 128)
            set(point ${byte})
        elseif(byte GREATER_EQUAL 194 AND byte LESS 224)
            math(EXPR point "${byte} & 0x1F")
            set(pending 1)
        elseif(byte GREATER_EQUAL 224 AND byte LESS 240)
            math(EXPR point "${byte} & 0x0F")
            set(pending 2)
        elseif(byte GREATER_EQUAL 240 AND byte LESS 245)
            math(EXPR point "${byte} & 0x07")
            set(pending 3)
        else()
            message(FATAL_ERROR "${file}: '${text}' is not UTF-8 text")
        endif()
        if(pending EQUAL 0)
            list(APPEND points ${point})
        endif()
    endwhile()
    if(pending GREATER 0)
        message(FATAL_ERROR "${file}: '${text}' is not UTF-8 text")
    endif()
    set(${out} "${points}" PARENT_SCOPE)
endfunction()

# The UTF-16 code units of a text's code points, each escaped as \xHHHH: the body of an L"..." in
# a resource script and in C++ alike (each escape is ended by the next one or by the closing quote,
# so no following character is read as part of it). Natively, too, wide strings hold UTF-16: the
# layer counts and converts them as Windows does.
function(objstore_wide_escapes points out)
    set(escaped "")
    foreach(point IN LISTS points)
        if(point GREATER 65535)  # beyond the BMP: a surrogate pair
            math(EXPR high "0xD800 + ((${point} - 0x10000) >> 10)" OUTPUT_FORMAT HEXADECIMAL)
            math(EXPR low "0xDC00 + ((${point} - 0x10000) & 0x3FF)" OUTPUT_FORMAT HEXADECIMAL)
            set(units "${high}${low}")
        else()
            math(EXPR units "${point}" OUTPUT_FORMAT HEXADECIMAL)
        endif()
        string(REPLACE "0x" "\\x" units "${units}")
        string(APPEND escaped "${units}")
    endforeach()
    set(${out} "${escaped}" PARENT_SCOPE)
endfunction()

# Reads and checks DIR/brand.ini; sets BRAND_TEXT_<key> (the UTF-8 text) and BRAND_WIDE_<key>
# (its escaped UTF-16 form) in the caller's scope.
function(objstore_load_brand_texts dir)
    set(file "${dir}/brand.ini")
    objstore_read_brand_ini("${file}" BRAND_TEXT)
    foreach(key IN LISTS OBJSTORE_BRAND_TEXT_KEYS)
        if(NOT DEFINED BRAND_TEXT_${key} OR BRAND_TEXT_${key} STREQUAL "")
            message(FATAL_ERROR "${file}: '${key}' is missing")
        endif()
    endforeach()
    if(NOT BRAND_TEXT_package_code MATCHES "^[0-9][0-9][0-9][0-9][0-9][0-9]$")
        message(FATAL_ERROR
            "${file}: package code '${BRAND_TEXT_package_code}' is not six digits")
    endif()
    if(NOT BRAND_TEXT_company MATCHES "^[0-9][0-9][0-9][0-9]$")
        message(FATAL_ERROR "${file}: company '${BRAND_TEXT_company}' is not four digits")
    endif()
    if(NOT BRAND_TEXT_endpoint MATCHES "^[A-Za-z0-9]([-.A-Za-z0-9]*[A-Za-z0-9])?$")
        message(FATAL_ERROR "${file}: endpoint '${BRAND_TEXT_endpoint}' is not a host name")
    endif()
    foreach(key IN LISTS OBJSTORE_BRAND_TEXT_KEYS)
        objstore_utf8_code_points("${file}" "${BRAND_TEXT_${key}}" points)
        objstore_wide_escapes("${points}" escaped)
        set(BRAND_TEXT_${key} "${BRAND_TEXT_${key}}" PARENT_SCOPE)
        set(BRAND_WIDE_${key} "${escaped}" PARENT_SCOPE)
    endforeach()
endfunction()
