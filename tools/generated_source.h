#pragma once

// The command line of the tools that write a source file of the tree:
//   tool [output.cpp]
// writes to the named file, or to standard output without one.

#include <fstream>
#include <iostream>
#include <string>

namespace torvane {

// Returns the tool's exit code: 2 for a wrong command line, 1 when the text
// could not be written. Render is called only for a valid command line.
template <typename RenderFunction>
int WriteGeneratedSource(int argc, char** argv, const char* tool, RenderFunction render)
{
    if (argc > 2) {
        std::cerr << "usage: " << tool << " [output.cpp]\n";
        return 2;
    }
    const std::string text = render();
    if (argc == 1) {
        std::cout << text;
        std::cout.flush();
        return std::cout ? 0 : 1;
    }
    std::ofstream file(argv[1], std::ios::binary);
    file << text;
    file.close();
    if (!file) {
        std::cerr << tool << ": cannot write " << argv[1] << "\n";
        return 1;
    }
    return 0;
}

}  // namespace torvane
