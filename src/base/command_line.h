// The program's rule for splitting a command line into parameters.
#pragma once

#include <string>
#include <vector>

// Splits `commandLine` into its parameters, the program's own name first. Characters with codes
// 1 to 32 separate parameters; where a parameter would begin a pair of double quotes is skipped;
// inside a parameter each double quote toggles quoting (and is dropped), and while quoting is on
// every character belongs to the parameter. There is no escape character. Splitting stops at the
// first parameter that comes out empty (a lone quote at the very end).
std::vector<std::string> SplitCommandLine(const std::string& commandLine);
