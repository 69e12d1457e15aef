#pragma once
// Aozora Bunko's accent notation: inside 〔〕, a Latin letter followed by a mark
// stands for the accented letter: 〔e'tiquette〕 is étiquette. The marks are
// ' acute, ` grave, ^ circumflex, : diaeresis, ~ tilde, & ring above, , cedilla,
// / stroke, _ macron; ae& oe& AE& OE& are the ligatures and s& is ß.

#include <optional>
#include <string>
#include <string_view>

namespace tessaro::novel {

// The text between 〔 and 〕 with its accented letters, or nothing when it is
// not accent notation but an ordinary bracketed phrase: it holds a character
// other than printable ASCII, or no accented letter.
//
// An apostrophe after a consonant is an elision (l'existence, don't), never
// an acute accent, and a comma after anything but c ends a clause: the
// published table's ĺ ń ś ... and ş ţ are left out for that reason.
std::optional<std::string> ExpandAccents(std::string_view notation);

}  // namespace tessaro::novel
