// The Jet engine's tests run their statements through these: open a file, run one statement.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/posix/jet/engine/engine.h"

namespace testing_support {

// Opens `path` and runs `statement`: "" on success, the failure's description otherwise, and
// "open: " and the description when the file does not open. Every failure of the statement
// names the engine as its source.
inline std::string Statement(const std::string& path, const std::string& statement,
                             platform::OpenMode mode = {}) {
  std::optional<platform::JetEngine> engine;
  const base::Status opened = platform::JetEngine::Open(path, mode, engine);
  if (!opened.ok()) return "open: " + opened.message();
  const base::Status status = engine->Execute(statement);
  if (status.ok()) return "";
  EXPECT_NE(status.kind(), base::StatusKind::kNotADatabase);  // reported as the engine's
  return status.message();
}

inline std::string Alter(const std::string& table, const std::string& column, int length) {
  return "ALTER TABLE [" + table + "] ALTER COLUMN [" + column + "] TEXT(" +
         std::to_string(length) + ")";
}

}  // namespace testing_support
