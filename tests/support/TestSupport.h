#pragma once
// Helpers shared by the tests: a temporary directory that cleans up after
// itself, whole-file reads and writes, and the locale and screen set-up.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tessaro::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::string File(std::string_view name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// Changes the current directory for the life of the object.
class CurrentDirectory {
public:
    explicit CurrentDirectory(const std::filesystem::path& path);
    ~CurrentDirectory();
    CurrentDirectory(const CurrentDirectory&) = delete;
    CurrentDirectory& operator=(const CurrentDirectory&) = delete;

private:
    std::filesystem::path previous_;
};

void WriteFile(const std::string& path, std::string_view bytes);
// piece, count times over.
std::string Repeat(std::string_view piece, int count);
std::string ReadFile(const std::string& path);

// Sets the code page information from a locale name and the screen font at the
// given resolution, as the program does at start-up.
void StartUp(std::string_view localeName, int pixelsPerInch = 96);

}  // namespace tessaro::test
