#include <cstdio>
int main() { std::printf("Usage: upflash [options] (not yet built)\n"); return 0; }
