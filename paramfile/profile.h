// Private-profile (INI) files: reading and writing single keys by the rules of the classic
// platform functions, implemented here so that files written elsewhere read back and files
// written here are read by others.
//
// Reading: a line "[name]" opens a section (blanks inside the brackets are not part of the
// name: "[ COEF ]" is COEF); a line "key=value" (blanks around "=" allowed) is a key; a line
// without "=" is no key at all; lines starting with ";" are comments. Section and key names
// are matched without regard to ASCII letter case; the first matching section and, within it,
// the first matching key count. Values are trimmed of blanks and of one pair of enclosing
// quotes. Lines end with LF or CR LF. Only the first kProfileLineMax bytes of a line decide
// what the line is, for the reader and the writer alike, so that both always agree.
//
// Writing: the key's line in its section is replaced, or the key is added after the last
// line of its section, or the section is added at the end of the file. Every other byte of
// the text stays as it was; written lines end with CR LF.
//
// Files that start with a UTF-16 byte-order mark (what Windows editors save as "Unicode")
// are read and written in their encoding; see profile_text.h. Whole files are read and
// replaced by text_file.h.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "paramfile/profile_text.h"
#include "paramfile/text_file.h"

namespace travex {

// The most characters a value read delivers (a buffer of 11000 with its terminating zero).
inline constexpr size_t kProfileValueMax = 10999;

// Only this many bytes of a line are looked at (the value limit above is far smaller, so a
// line that the writer writes is always seen whole).
inline constexpr size_t kProfileLineMax = 1 << 20;

struct ProfileQuery {
  std::string_view section;
  std::string_view key;
  std::string_view default_value;
};

// Looks up a key in the text of a file. The value is cut at a zero byte and to max_chars.
// Returns the default when the section or key is missing.
std::string LookupProfileString(std::string_view text, std::string_view section,
                                std::string_view key, std::string_view default_value,
                                size_t max_chars = kProfileValueMax);

// Reads one key from a file; the default when the file is missing or unreadable, or the
// section or key is missing. The file is read as a stream with bounded memory whatever its
// size or contents.
std::string ReadProfileString(const std::string& path, std::string_view section,
                              std::string_view key, std::string_view default_value,
                              size_t max_chars = kProfileValueMax);

// Several keys from one pass over the file; one result per query, in query order.
std::vector<std::string> ReadProfileStrings(const std::string& path,
                                            const std::vector<ProfileQuery>& queries,
                                            size_t max_chars = kProfileValueMax);

// The same, telling whether the file could be read: false when it is missing, no regular
// file, or cannot be opened or read, with the system's reason in `error` and the defaults in
// `values`.
bool ReadProfileStrings(const std::string& path, const std::vector<ProfileQuery>& queries,
                        std::vector<std::string>* values, std::string* error,
                        size_t max_chars = kProfileValueMax);

// Returns the text with one key written.
std::string SetProfileString(std::string_view text, std::string_view section,
                             std::string_view key, std::string_view value);

}  // namespace travex
