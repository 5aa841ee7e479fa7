// Stand-in for palm.exe: only its version resource matters (tests and demo).
#include <cstdio>

int main() {
    std::puts("Palm Desktop stand-in");
    return 0;
}
