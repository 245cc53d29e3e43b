// The program: its entry, with the body in the core (entry.cpp) so that tests can run it.
#include "entry.h"

int main() {
  return Upgrade405Entry();
}
