#pragma once
// Reading a text file into lines with its line ends normalised, and joining
// them back into one byte string with CR LF after every line.

#include <string>
#include <string_view>
#include <vector>

namespace tessaro {

using TStringList = std::vector<std::string>;

// Replaces the content of list by the lines of the file. CR, LF and CR LF each
// end one line; the first NUL ends the text. Raises EFOpenError when the file
// cannot be opened (missing, a directory, not a regular file, no access).
void LoadLines(TStringList& list, const std::string& fileName);

// The lines in order, each followed by CR LF, built with one allocation.
std::string JoinLines(const TStringList& list);

}  // namespace tessaro
