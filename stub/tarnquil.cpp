// tarnquil: announces itself and ends.  Arguments are not looked at.
#include <cstdio>

int main() {
  std::printf("tarnquil()\n");
  return 0;
}
