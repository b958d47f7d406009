#include <iostream>
#include <string>
#include <vector>

#include "brand_credentials.h"

int main(int argc, char** argv) {
    return RunBrandCredentials(std::vector<std::string>(argv + 1, argv + argc), std::cin, std::cout,
                               std::cerr);
}
