#include "support/TestSupport.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "imaging/TFont.h"
#include "text/CodePageInfo.h"

namespace tessaro::test {

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "tessaro-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot make a temporary directory");
    path_ = pattern;
}

TempDir::~TempDir()
{
    std::error_code ignored;
    // Tests may leave read-only entries behind; make them removable first.
    for (auto it = std::filesystem::recursive_directory_iterator(path_, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored))
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
}

CurrentDirectory::CurrentDirectory(const std::filesystem::path& path) : previous_(std::filesystem::current_path())
{
    std::filesystem::current_path(path);
}

CurrentDirectory::~CurrentDirectory()
{
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
}

void WriteFile(const std::string& path, std::string_view bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

std::string Repeat(std::string_view piece, int count)
{
    std::string result;
    result.reserve(piece.size() * std::size_t(count > 0 ? count : 0));
    for (int i = 0; i < count; ++i)
        result += piece;
    return result;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void StartUp(std::string_view localeName, int pixelsPerInch)
{
    InitCodePageInfo(localeName);
    InitScreenFont(pixelsPerInch);
}

}  // namespace tessaro::test
