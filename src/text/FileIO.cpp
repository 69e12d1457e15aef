#include "text/FileIO.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "text/Exception.h"

namespace tessaro {

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept
{
    if (this != &other) {
        UniqueFd old(fd_);
        fd_ = other.Release();
    }
    return *this;
}

UniqueFd::~UniqueFd()
{
    if (fd_ >= 0)
        ::close(fd_);
}

UniqueFd OpenRegularFileForReading(const std::string& path)
{
    // O_NONBLOCK keeps the open of a FIFO without a writer from hanging; the
    // file type is checked on the open descriptor, so nothing can swap it.
    UniqueFd file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    struct stat info {};
    if (!file || ::fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode))
        throw EFOpenError::ForFile(path);
    const int flags = ::fcntl(file.Get(), F_GETFL);
    if (flags >= 0)
        ::fcntl(file.Get(), F_SETFL, flags & ~O_NONBLOCK);
    return file;
}

std::int64_t FileSize(const UniqueFd& file)
{
    struct stat info {};
    if (::fstat(file.Get(), &info) != 0)
        return 0;
    return info.st_size;
}

namespace {

// Calls readSome(destination, count, done) until count bytes are delivered,
// the end of the file is reached or a read fails; a read interrupted by a
// signal is repeated.
template <class ReadSome>
std::size_t ReadRepeatedly(void* buffer, std::size_t count, ReadSome readSome)
{
    auto* bytes = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t got = readSome(bytes + done, count - done, done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

}  // namespace

std::size_t ReadUpTo(const UniqueFd& file, void* buffer, std::size_t count)
{
    return ReadRepeatedly(buffer, count, [&](char* destination, std::size_t left, std::size_t) {
        return ::read(file.Get(), destination, left);
    });
}

std::size_t ReadUpTo(const UniqueFd& file, void* buffer, std::size_t count, std::int64_t position)
{
    return ReadRepeatedly(buffer, count, [&](char* destination, std::size_t left, std::size_t done) {
        return ::pread(file.Get(), destination, left, static_cast<off_t>(position + static_cast<std::int64_t>(done)));
    });
}

bool WriteAll(const UniqueFd& file, const void* data, std::size_t size)
{
    const auto* bytes = static_cast<const char*>(data);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t put = ::write(file.Get(), bytes + done, size - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        done += static_cast<std::size_t>(put);
    }
    return true;
}

namespace {

// Writes straight into an open descriptor: used for what is not a regular file
// (a device such as /dev/null or /dev/full), which cannot be replaced by renaming.
void WriteInPlace(const UniqueFd& target, const void* data, std::size_t size)
{
    if (!WriteAll(target, data, size))
        throw EWriteError();
}

// A name for a new file beside path. It is short whatever path's own name is,
// so that a file whose name is near the file system's limit still gets one.
std::string SiblingPattern(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return path.substr(0, slash == std::string::npos ? 0 : slash + 1) + ".tessaro-XXXXXX";
}

// Writes a new sibling file and renames it over the target, keeping the
// target's permission bits. Returns false when no sibling can be made (a
// directory that is not writable), so that the caller writes in place.
bool ReplaceBySibling(const std::string& path, mode_t mode, const void* data, std::size_t size)
{
    std::string temporary = SiblingPattern(path);
    UniqueFd sibling(::mkostemp(temporary.data(), O_CLOEXEC));
    if (!sibling)
        return false;
    const bool written = ::fchmod(sibling.Get(), mode) == 0 && WriteAll(sibling, data, size) &&
                         ::fsync(sibling.Get()) == 0;
    sibling = UniqueFd();
    if (!written) {
        ::unlink(temporary.c_str());
        throw EWriteError();
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        throw EFCreateError::ForFile(path);
    }
    return true;
}

}  // namespace

void WriteWholeFile(const std::string& path, const void* data, std::size_t size)
{
    // Opening without truncation proves the file may be written (an existing
    // read-only page is refused) and leaves its bytes alone until the new ones
    // are safely stored. O_NONBLOCK keeps a FIFO without a reader from hanging.
    bool created = true;
    UniqueFd target(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666));
    if (!target && errno == EEXIST) {
        created = false;
        target = UniqueFd(::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    }
    struct stat info {};
    if (!target || ::fstat(target.Get(), &info) != 0)
        throw EFCreateError::ForFile(path);

    // A new file or a device holds nothing to protect: the bytes go straight
    // in, and a new file that cannot be completed is removed again. An
    // existing file is replaced whole, so a failure leaves its old bytes.
    if (created || !S_ISREG(info.st_mode)) {
        try {
            WriteInPlace(target, data, size);
        } catch (...) {
            if (created)
                ::unlink(path.c_str());
            throw;
        }
        return;
    }
    if (ReplaceBySibling(path, info.st_mode & 07777, data, size))
        return;
    if (::ftruncate(target.Get(), 0) != 0)
        throw EFCreateError::ForFile(path);
    WriteInPlace(target, data, size);
}

}  // namespace tessaro
