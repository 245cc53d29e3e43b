// Jet's rules for names and characters: how names compare, and how characters are counted.
#pragma once

#include <cstddef>
#include <string_view>

namespace platform {

// Whether two object names (UTF-8) are the same to Jet: without regard to case, in ASCII and
// beyond (é and É, Ж and ж).
bool SameJetName(std::string_view a, std::string_view b);

// Whether `libmdbName`, a name as libmdb reads it, is `name` (both UTF-8, compared exactly):
// libmdb turns each half of a UTF-16 surrogate pair (a character outside the Basic Multilingual
// Plane) into "?", so such a character of `name` matches "??" there and nothing else does.
bool SameNameAsLibmdbReadsIt(std::string_view libmdbName, std::string_view name);

// The number of characters of a UTF-8 value as Jet counts them: UTF-16 code units, so a
// character outside the Basic Multilingual Plane counts two. A byte that is not valid UTF-8
// counts one.
std::size_t JetCharacterCount(std::string_view utf8);

}  // namespace platform
