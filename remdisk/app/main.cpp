#include <cstdio>
int main() { std::printf("Remdisk: not yet built\n"); return 1; }
