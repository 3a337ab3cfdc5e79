// Whole text files: read one, and replace one in a single step so that a failed or
// interrupted write never leaves a half-written or mixed file.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace travex {

// Existing files larger than this are not rewritten.
inline constexpr size_t kProfileFileMax = 256u << 20;

// The system's text for an errno value.
std::string SystemErrorText(int err);

// Opens a file for reading without blocking on a pipe or device; -1 with errno set unless the
// path names a regular file.
int OpenRegularFile(const std::string& path);

// Reads a whole existing file; a missing file gives an empty text and true. On failure
// returns false with the reason in `error`.
bool LoadTextFile(const std::string& path, std::string* text, std::string* error);

// Replaces the file with `content` in one step: a temporary file in the same folder is
// written, flushed to disk and renamed over the target. The target keeps its permissions, its
// owner where this process may give it, and else its group where this process belongs to it.
// A read-only target is not replaced.
// On failure the target is untouched and `error` holds the reason. Temporary files that an
// interrupted replacement of the same target left behind (their writer is gone, or they are
// over an hour old) are removed first.
bool ReplaceFileAtomically(const std::string& path, std::string_view content, std::string* error);

}  // namespace travex
