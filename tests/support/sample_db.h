// Databases for tests: the table the program upgrades, made with the real engine.
#pragma once

#include <string>

namespace testing_support {

// Creates an SQLite file at `path` with table nuv (id, Filename of `filenameType`, Title,
// Size), an index on Filename and `rows` rows whose file names are `filenameLength`
// characters long (at least 8). Throws std::runtime_error on failure.
void CreateNuvDatabase(const std::string& path, const std::string& filenameType = "TEXT(50)",
                       int rows = 3, int filenameLength = 20);

// Runs `sql` on the file and returns the first column of every row, one per line.
std::string QueryDatabase(const std::string& path, const std::string& sql);

}  // namespace testing_support
