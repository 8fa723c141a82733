// Entry point of `kvbrt`.
#include <iostream>

#include "cli/cli.h"
#include "cli/cli_text.h"
#include "foundation/mem.h"

int main(int argc, char **argv) {
    memInit();
    int status = cliMain(argc, argv, std::cout, std::cerr);
    std::cout.flush();
    cliTextTerm();
    memTerm();
    return status;
}
