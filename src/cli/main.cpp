// sumirel-cli: the diary's Write and Rebuild commands for scripts, cron and site builds.

#include <iostream>

#include "cli/RunCli.h"

int main(int argc, char** argv) {
    return SumirelCli::RunCli(argc, argv, std::cin, std::cout, std::cerr);
}
