// The program's entry: start-up, the message loop and the three ways down.
#pragma once

// Runs the program once: the application object, the shared unit, COM, the window and its message
// loop, then the shutdown in the reverse order. Returns the process's exit code: 0, the code of a
// halt, or 1 after an exception reached the entry (shown in the fatal error box first).
int Upgrade405Entry();
