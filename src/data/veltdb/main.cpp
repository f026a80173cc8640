#include <iostream>

#include "data/veltdb/veltdb_commands.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return velt::veltdb::run(args, std::cout, std::cerr);
}
