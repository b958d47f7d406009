# Third-party libraries, all from the system (Debian -dev packages natively,
# the prefix of scripts/build-windows-deps for Windows: see
# cmake/toolchain-mingw64.cmake, which points every search there).
find_package(Threads REQUIRED)
if(WIN32)
    # Poco's Crypto and NetSSL link the static OpenSSL of the prefix;
    # FindOpenSSL then adds the system libraries it needs (ws2_32, crypt32).
    set(OPENSSL_USE_STATIC_LIBS TRUE)
endif()
find_package(Poco REQUIRED COMPONENTS Foundation Net Crypto NetSSL)
# Release signatures and digests use libcrypto directly.
find_package(OpenSSL REQUIRED COMPONENTS Crypto)

find_path(RAPIDXML_INCLUDE_DIR rapidxml.hpp PATH_SUFFIXES rapidxml REQUIRED)
add_library(rapidxml INTERFACE)
target_include_directories(rapidxml SYSTEM INTERFACE ${RAPIDXML_INCLUDE_DIR})

# minizip::minizip: include as <minizip/unzip.h>.
find_package(ZLIB REQUIRED)
find_path(MINIZIP_INCLUDE_DIR minizip/unzip.h REQUIRED)
find_library(MINIZIP_LIBRARY minizip REQUIRED)
add_library(minizip::minizip UNKNOWN IMPORTED)
set_target_properties(minizip::minizip PROPERTIES
    IMPORTED_LOCATION ${MINIZIP_LIBRARY}
    INTERFACE_INCLUDE_DIRECTORIES ${MINIZIP_INCLUDE_DIR}
    INTERFACE_LINK_LIBRARIES ZLIB::ZLIB)

find_package(GTest REQUIRED)
