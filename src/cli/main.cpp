#include <iostream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/console.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    qdu::cli::Environment environment;
    if (!qdu::cli::prepare_console()) {
        environment.terminal = false;  // a console that cannot show colours gets none
    }
    return qdu::cli::run(args, std::cout, std::cerr, environment);
}
