// Prints one line and exits: what any C++ program costs to start and stop,
// the yardstick for converting a tiny model in bench/run_benchmarks.sh.

#include <iostream>

int main()
{
    std::cout << "one line\n";
    return 0;
}
