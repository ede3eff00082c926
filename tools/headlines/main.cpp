#include "tools/headlines/HeadlinesTool.h"

#include <iostream>

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    std::vector<std::string> args(argv + 1, argv + argc);
    try {
        HeadlinesTool tool(std::cout, std::cerr);
        int status = tool.Run(args);
        std::cout.flush();
        return status;
    } catch (const std::exception& e) {
        std::cerr << "headlines: " << e.what() << '\n';
        return 1;
    }
}
