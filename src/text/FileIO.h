#pragma once
// Small owners of POSIX file descriptors and the whole-file reads and writes
// the program makes. Errors carry the program's messages.

#include <cstddef>
#include <cstdint>
#include <string>

namespace tessaro {

// A move-only owner of a file descriptor.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.Release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd();

    int Get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    int Release()
    {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_ = -1;
};

// Opens an existing regular file for reading. Never blocks: a FIFO, a device or
// a directory is refused like a missing file, with EFOpenError naming the path
// exactly as passed.
UniqueFd OpenRegularFileForReading(const std::string& path);

// The size of an open file in bytes.
std::int64_t FileSize(const UniqueFd& file);

// Reads up to count bytes into buffer, continuing after partial reads, and
// returns the number of bytes delivered (fewer at the end of the file or on a
// read error).
std::size_t ReadUpTo(const UniqueFd& file, void* buffer, std::size_t count);
// The same from the given byte position of the file, which leaves the file's
// own position alone, so the file can be read through more than once.
std::size_t ReadUpTo(const UniqueFd& file, void* buffer, std::size_t count, std::int64_t position);

// Writes all size bytes at the file's position, continuing after partial
// writes and interruptions; false when they cannot all be written.
bool WriteAll(const UniqueFd& file, const void* data, std::size_t size);

// Replaces the file at path by the given bytes. The bytes go to a new file
// beside it first and take its place only once they are all written, so a
// failure leaves an existing file as it was. Raises EFCreateError when the file
// cannot be created or replaced, EWriteError when the bytes cannot all be
// stored (a full disk).
void WriteWholeFile(const std::string& path, const void* data, std::size_t size);

}  // namespace tessaro
