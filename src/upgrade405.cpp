// The program: its entry, with the body in the core (entry.cpp) so that tests can run it.
#include <optional>

#include "entry.h"
#include "platform/host.h"

int main() {
  // A request for help or the version is answered before the journal, the database or a window.
  if (const std::optional<int> code = platform::AnswerInformationRequest()) return *code;
  return Upgrade405Entry();
}
