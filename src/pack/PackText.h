#pragma once
// The text the archives' documents are made of: XML character data, the
// book's language, its identifier and its date.

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

#include "run/BookRun.h"

namespace tessaro::pack {

// Text as XML character data and attribute values: markup characters escaped,
// bytes that are not UTF-8 as U+FFFD, and control characters XML does not
// allow left out.
std::string XmlText(std::string_view text);

// "ja" for a book that turns right to left or whose title, author or
// headings are written in kana or kanji; "und" (undetermined) otherwise.
std::string BookLanguage(const BookMetadata& book);

// A 128-bit digest of everything added, as an identifier: equal content
// gives an equal identifier in every run. Not meant to resist forgery.
class ContentDigest {
public:
    void Add(std::string_view bytes);
    // "urn:uuid:" and the digest as a UUID (version 8, of the caller's making).
    std::string Uuid() const;

private:
    // Two 64-bit FNV-1a lanes from different starting values.
    std::uint64_t low_ = 0xcbf29ce484222325ull;
    std::uint64_t high_ = 0x84222325cbf29ce4ull;
};

// The time in UTC as CCYY-MM-DDThh:mm:ssZ.
std::string UtcDateTime(std::time_t time);

}  // namespace tessaro::pack
