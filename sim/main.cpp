#include <cstdio>
int main() { std::printf("Usage: vantro-sim [options] (not yet built)\n"); return 0; }
