// The INI ("private profile") file reader and writer behind VELT.CFG. Sections and keys are
// compared without regard to case; a write replaces the key's line in place, appends a new key at
// the end of its section and creates the file and the section when they are missing, so every
// other line keeps its text and its place. Lines end in CR LF. A write never leaves a half
// written file: the new content goes to a temporary file of the same folder, renamed over the old.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace velt {

constexpr std::size_t kProfileBufferSize = 16384;  // what one read can hand back, NUL included
constexpr std::size_t kMaxPathLength = 260;

// `file` completed to a full path against the current folder; empty text when the result would
// exceed kMaxPathLength characters (the profile functions then find and write nothing).
std::string FULLNAME(const std::string& file);

// The key names of `section`, in file order, trailing blanks removed; empty when the section or
// the file does not exist. At most kProfileBufferSize bytes of names are seen.
std::vector<std::string> GETPVPROFSECTION(const std::string& section, const std::string& file);

// The value text of `key` (at most kProfileBufferSize - 1 characters), or `defaultValue` when
// the key, its section or the file is missing. Without a key: all key names of the section,
// each followed by a NUL byte.
std::string GETPVPROFSTRING(const std::string& section, const std::optional<std::string>& key,
                            const std::string& defaultValue, const std::string& file);

// Writes key=value into `section`. False (and the file unchanged) when it cannot be written, or
// when the section, key or value would break the line structure (line breaks, a key with "=").
bool WRITEPPROSTRING(const std::string& section, const std::string& key, const std::string& value,
                     const std::string& file);

}  // namespace velt
