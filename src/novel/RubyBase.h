#pragma once
// Where the base of a ruby 漢字《かんじ》 starts when no ｜ marks it: the run of
// characters of one class just before 《.

#include <cstddef>
#include <string_view>
#include <vector>

#include "novel/Document.h"

namespace tessaro::novel {

// Kanji counts 々 〆 〇 ヶ and 仝 in; katakana counts ー in; Latin is ASCII
// letters and digits with the accented Latin letters (from the accent
// notation); full-width Latin is Ａ-Ｚ ａ-ｚ ０-９. Every other character has no
// class and cannot carry ruby without ｜.
enum class ScriptClass { None, Kanji, Hiragana, Katakana, FullWidthLatin, Latin };

ScriptClass ClassOf(char32_t c);

// The start of the run of characters of the class of the last character of
// text, not reaching back before floor. gaiji: the ranges of text that hold
// characters described in words, in order; each counts as one kanji. Returns
// text.size() when the last character has no class.
std::size_t RubyBaseStart(std::string_view text, std::size_t floor, const std::vector<TextRange>& gaiji);

}  // namespace tessaro::novel
