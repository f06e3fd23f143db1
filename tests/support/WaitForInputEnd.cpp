// The stand-in for a running main program in tests: it runs until its standard input
// closes, then exits with code 0.
#include <cstdio>

int main() {
  char c;
  while (std::fread(&c, 1, 1, stdin) == 1) {
  }
  return 0;
}
