// The shared unit's exit code, for the journal's tests, which run without the shared unit: the
// journal reads it at destruction.
#include "global.h"

int ExitCode = 0;
