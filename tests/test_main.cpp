// The main of every test binary: GoogleTest's, plus starting the network
// stack where a static Poco does not do it by itself (Windows).
#include <gtest/gtest.h>

#ifdef _WIN32
#include <Poco/Net/Net.h>
#endif

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
#ifdef _WIN32
    Poco::Net::initializeNetwork();
#endif
    return RUN_ALL_TESTS();
}
