#include "tools/headlines/FdOutputBuffer.h"
#include "tools/headlines/HeadlinesTool.h"

#include <cstring>
#include <iostream>
#include <unistd.h>

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    std::vector<std::string> args(argv + 1, argv + argc);
    FdOutputBuffer outBuffer(STDOUT_FILENO);
    std::ostream out(&outBuffer);
    int status = 1;
    try {
        HeadlinesTool tool(out, std::cerr);
        status = tool.Run(args);
    } catch (const std::exception& e) {
        std::cerr << "headlines: " << e.what() << '\n';
    }
    out.flush();
    if (outBuffer.Error() != 0) {
        std::cerr << "headlines: write error: " << std::strerror(outBuffer.Error()) << '\n';
        return 1;
    }
    return status;
}
