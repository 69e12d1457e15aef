#include "fuzz/FuzzSupport.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tessaro::fuzz {

namespace {

std::string ScratchDirectory()
{
    struct stat info {};
    if (::stat("/dev/shm", &info) == 0 && S_ISDIR(info.st_mode) && ::access("/dev/shm", W_OK) == 0)
        return "/dev/shm";
    const char* temporary = std::getenv("TMPDIR");
    return temporary != nullptr && *temporary != '\0' ? temporary : "/tmp";
}

}  // namespace

ScratchFile::ScratchFile(std::string_view tag)
{
    std::string pattern = ScratchDirectory() + "/tessaro-fuzz-" + std::string(tag) + "-XXXXXX";
    file_ = UniqueFd(::mkostemp(pattern.data(), O_CLOEXEC));
    Require(static_cast<bool>(file_), "cannot make the scratch file");
    path_ = pattern;
}

ScratchFile::~ScratchFile()
{
    ::unlink(path_.c_str());
}

void ScratchFile::Write(const std::uint8_t* data, std::size_t size)
{
    Require(::ftruncate(file_.Get(), 0) == 0, "cannot empty the scratch file");
    std::size_t done = 0;
    while (done < size) {
        const ssize_t put = ::pwrite(file_.Get(), data + done, size - done, static_cast<off_t>(done));
        Require(put > 0, "cannot write the scratch file");
        done += static_cast<std::size_t>(put);
    }
}

void Require(bool condition, const char* what)
{
    if (condition)
        return;
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

}  // namespace tessaro::fuzz
