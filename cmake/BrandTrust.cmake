# What a brand's installer trusts, from two optional files of the brand folder:
#
# - "release_key.pub": the firm's Ed25519 public key (SubjectPublicKeyInfo PEM, as
#   objstore-release-keygen or `openssl pkey -pubout` write it). With it the installer accepts
#   only releases whose summary carries that key's signature; without it releases go unchecked.
# - "https_ca.pem": one or more CA certificates (PEM). With it the installer reaches the bucket
#   host over HTTPS and trusts exactly these certificates (OpenSSL does not read the Windows
#   certificate store); without it the installer speaks plain HTTP.
#
# objstore_load_brand_trust()   checks the files of OBJSTORE_BRAND_DIR and sets, in the caller's
#                               scope, BRAND_RELEASE_KEY_PEM and BRAND_HTTPS_CA_PEM: the texts
#                               with line ends written as "\n" for a C string, "" without the
#                               file. A bad file stops the configuration with a message naming it.

# The DER of an Ed25519 SubjectPublicKeyInfo is 12 fixed bytes and the 32 key bytes: in base64
# "MCowBQYDK2VwAyEA" and 43 characters with one "=" of padding.
set(_OBJSTORE_ED25519_SPKI_PREFIX "MCowBQYDK2VwAyEA")

function(_objstore_watch_brand_file file)
    if(NOT CMAKE_SCRIPT_MODE_FILE)  # a file added or changed later is picked up by the next build
        set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${file}")
    endif()
endfunction()

function(_objstore_load_release_key out)
    set(file "${OBJSTORE_BRAND_DIR}/release_key.pub")
    set(${out} "" PARENT_SCOPE)
    if(NOT EXISTS "${file}")
        return()
    endif()
    _objstore_watch_brand_file("${file}")
    file(READ "${file}" text)
    if(text MATCHES "PRIVATE KEY")
        message(FATAL_ERROR "${file}: holds a private key; only the public key belongs in the "
            "brand folder (keep the private key where releases are built)")
    endif()
    string(REPEAT "[A-Za-z0-9+/]" 43 body)
    set(pattern "^-----BEGIN PUBLIC KEY-----\r?\n(${_OBJSTORE_ED25519_SPKI_PREFIX}${body}=)\r?\n")
    string(APPEND pattern "-----END PUBLIC KEY-----[\r\n]*$")
    if(NOT text MATCHES "${pattern}")
        message(FATAL_ERROR "${file}: not an Ed25519 public key in PEM form "
            "(-----BEGIN PUBLIC KEY-----, one line of base64, -----END PUBLIC KEY-----)")
    endif()
    set(${out} "-----BEGIN PUBLIC KEY-----\\n${CMAKE_MATCH_1}\\n-----END PUBLIC KEY-----\\n"
        PARENT_SCOPE)
endfunction()

function(_objstore_load_https_ca out)
    set(file "${OBJSTORE_BRAND_DIR}/https_ca.pem")
    set(${out} "" PARENT_SCOPE)
    if(NOT EXISTS "${file}")
        return()
    endif()
    _objstore_watch_brand_file("${file}")
    file(READ "${file}" text)
    string(REPLACE "\r" "" text "${text}")
    if(text MATCHES "PRIVATE KEY")
        message(FATAL_ERROR "${file}: holds a private key; only CA certificates belong here")
    endif()
    # Certificates only: BEGIN/END lines around base64, nothing a C string would have to escape.
    if(NOT text MATCHES "^(-----BEGIN CERTIFICATE-----\n([A-Za-z0-9+/=]+\n)+-----END CERTIFICATE-----\n*)+$")
        message(FATAL_ERROR "${file}: not a bundle of CA certificates in PEM form "
            "(-----BEGIN CERTIFICATE----- blocks only)")
    endif()
    string(REPLACE "\n" "\\n" text "${text}")
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

function(objstore_load_brand_trust)
    _objstore_load_release_key(key)
    _objstore_load_https_ca(ca)
    set(BRAND_RELEASE_KEY_PEM "${key}" PARENT_SCOPE)
    set(BRAND_HTTPS_CA_PEM "${ca}" PARENT_SCOPE)
endfunction()
