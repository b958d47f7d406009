# Third-party libraries, all from the system (Debian -dev packages natively,
# a cross-built prefix for Windows).
find_package(Threads REQUIRED)
find_package(Poco REQUIRED COMPONENTS Foundation Net Crypto NetSSL)

find_path(RAPIDXML_INCLUDE_DIR rapidxml.hpp PATH_SUFFIXES rapidxml REQUIRED)
add_library(rapidxml INTERFACE)
target_include_directories(rapidxml SYSTEM INTERFACE ${RAPIDXML_INCLUDE_DIR})

find_package(GTest REQUIRED)
