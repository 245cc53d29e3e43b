// Linux side: a reader of JSON text, for the answers of the system's own tools.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace platform {

// One JSON value. Numbers keep their text; strings are UTF-8 with their escapes undone.
struct JsonValue {
  enum class Kind { kNull, kBoolean, kNumber, kString, kArray, kObject };
  Kind kind = Kind::kNull;
  bool boolean = false;
  std::string text;                                        // a number's or a string's
  std::vector<JsonValue> items;                            // an array's
  std::vector<std::pair<std::string, JsonValue>> members;  // an object's, in order

  // The member named `name` of an object; nullptr when there is none or this is no object.
  const JsonValue* Find(const std::string& name) const;
  // The string member `name`, or "" when it is missing or not a string.
  std::string StringAt(const std::string& name) const;
  // The boolean member `name`; nullopt when it is missing or not a boolean.
  std::optional<bool> BooleanAt(const std::string& name) const;
};

// Reads one JSON document (RFC 8259; nested no deeper than 64 levels). nullopt when `text`
// is not one.
std::optional<JsonValue> ParseJson(const std::string& text);

}  // namespace platform
