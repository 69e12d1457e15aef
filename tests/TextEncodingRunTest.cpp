#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "pages/PageRun.h"
#include "support/TestSupport.h"

namespace tessaro {
namespace {

using Pages = std::map<std::string, std::string>;

// Runs a whole book into a fresh directory and returns its page files.
Pages RunBook(const std::string& text, std::string_view locale, TextEncodingChoice choice)
{
    test::StartUp(locale);
    test::TempDir dir;
    const std::string book = dir.File("book.txt");
    test::WriteFile(book, text);
    PageRun run;
    run.Start(book, choice);
    TickSettings settings;
    settings.Format = PageFormat::QVGA;
    settings.OutputDirectory = dir.File("pages");
    std::filesystem::create_directory(settings.OutputDirectory);
    for (int tick = 0; tick < 100 && !run.Tick(settings); ++tick) {
    }
    Pages pages;
    for (const auto& entry : std::filesystem::directory_iterator(settings.OutputDirectory))
        pages[entry.path().filename().string()] = test::ReadFile(entry.path().string());
    return pages;
}

// 吾輩は猫である。 and an English line, in Shift_JIS and in UTF-8.
const std::string ShiftJisBook =
    test::Repeat("\x8c\xe1\x94\x79\x82\xcd\x94\x4c\x82\xc5\x82\xa0\x82\xe9\x81\x42\r\nA cat, named nothing yet.\r\n", 30);
const std::string Utf8Book = test::Repeat(
    "\xE5\x90\xBE\xE8\xBC\xA9\xE3\x81\xAF\xE7\x8C\xAB\xE3\x81\xA7\xE3\x81\x82\xE3\x82\x8B\xE3\x80\x82\r\n"
    "A cat, named nothing yet.\r\n",
    30);

TEST(TextEncodingRunTest, AUtf8BookGivesTheSamePagesAsItsShiftJisTwin)
{
    const Pages shiftJis = RunBook(ShiftJisBook, "ja_JP.UTF-8", TextEncodingChoice::Auto);
    ASSERT_GT(shiftJis.size(), 1u);
    EXPECT_EQ(RunBook(Utf8Book, "ja_JP.UTF-8", TextEncodingChoice::Auto), shiftJis);
    EXPECT_EQ(RunBook(Utf8Book, "en_US.UTF-8", TextEncodingChoice::Auto), shiftJis);
    EXPECT_EQ(RunBook("\xEF\xBB\xBF" + Utf8Book, "en_US.UTF-8", TextEncodingChoice::Auto), shiftJis)
        << "a leading byte-order mark is dropped";
    EXPECT_EQ(RunBook(ShiftJisBook, "en_US.UTF-8", TextEncodingChoice::ShiftJis), shiftJis);
}

TEST(TextEncodingRunTest, ShiftJisAndAsciiBooksLayOutAsInTheLocale)
{
    const std::string ascii = test::Repeat("Plain ASCII text, nothing more.\r\n", 40);
    for (const char* locale : {"ja_JP.UTF-8", "en_US.UTF-8"}) {
        EXPECT_EQ(RunBook(ShiftJisBook, locale, TextEncodingChoice::Auto),
                  RunBook(ShiftJisBook, locale, TextEncodingChoice::Locale))
            << locale;
        EXPECT_EQ(RunBook(ascii, locale, TextEncodingChoice::Auto), RunBook(ascii, locale, TextEncodingChoice::Locale))
            << locale;
    }
}

}  // namespace
}  // namespace tessaro
