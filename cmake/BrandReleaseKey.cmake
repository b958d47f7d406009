# The firm's release key: an optional file "release_key.pub" in the brand folder holding the
# Ed25519 public key (SubjectPublicKeyInfo PEM, as objstore-release-keygen or
# `openssl pkey -pubout` write it). With it the installer accepts only releases whose summary
# carries that key's signature; without it releases go unchecked.
#
# objstore_load_brand_release_key()   checks the file of OBJSTORE_BRAND_DIR and sets
#                                     BRAND_RELEASE_KEY_PEM (the normalised PEM text, "" without
#                                     a key) in the caller's scope; a bad file stops the
#                                     configuration with a message naming it.

# The DER of an Ed25519 SubjectPublicKeyInfo is 12 fixed bytes and the 32 key bytes: in base64
# "MCowBQYDK2VwAyEA" and 43 characters with one "=" of padding.
set(_OBJSTORE_ED25519_SPKI_PREFIX "MCowBQYDK2VwAyEA")

function(objstore_load_brand_release_key)
    set(file "${OBJSTORE_BRAND_DIR}/release_key.pub")
    set(BRAND_RELEASE_KEY_PEM "" PARENT_SCOPE)
    if(NOT CMAKE_SCRIPT_MODE_FILE)  # a key added later is picked up by the next build
        set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${OBJSTORE_BRAND_DIR}")
    endif()
    if(NOT EXISTS "${file}")
        return()
    endif()
    if(NOT CMAKE_SCRIPT_MODE_FILE)
        set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${file}")
    endif()
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
    set(BRAND_RELEASE_KEY_PEM
        "-----BEGIN PUBLIC KEY-----\\n${CMAKE_MATCH_1}\\n-----END PUBLIC KEY-----\\n" PARENT_SCOPE)
endfunction()
