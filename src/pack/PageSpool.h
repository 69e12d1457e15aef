#pragma once
// Where the pages of an archive wait until the archive is written. libzip
// writes a whole archive when it is closed, and a page source made from a
// buffer keeps the page's bytes until then: a book of 2,000 pages would hold
// every page in memory. The spool is an unnamed file in the archive's folder,
// so pages cost disk, on the disk the archive goes to anyway, not memory; each
// page enters the archive through a source that reads its stretch of the spool.

#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>

#include "pack/ZipHandles.h"
#include "text/FileIO.h"

namespace tessaro::pack {

class PageSpool {
public:
    // Raises EFCreateError naming archivePath when its folder takes no file.
    explicit PageSpool(const std::string& archivePath);

    // Appends a page and returns a source of its bytes for the archive.
    // Raises EWriteError when the disk is full.
    ZipSourceHandle Append(const void* data, std::size_t size);

    // The error that made a page source fail, for the archive to raise.
    const std::exception_ptr& Failure() const { return failure_; }

private:
    struct Stretch;
    static zip_int64_t Serve(void* stretch, void* data, zip_uint64_t length, zip_source_cmd_t command);

    UniqueFd file_;
    std::uint64_t end_ = 0;
    std::exception_ptr failure_;
};

// The folder part of path with its trailing slash, empty for a bare name.
std::string FolderOf(const std::string& path);

}  // namespace tessaro::pack
