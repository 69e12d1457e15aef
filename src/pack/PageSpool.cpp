#include "pack/PageSpool.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

#include "text/Exception.h"

namespace tessaro::pack {

// One page's stretch of the spool and how far the archive has read it.
struct PageSpool::Stretch {
    PageSpool* Spool;
    std::uint64_t Offset;
    std::uint64_t Size;
    std::uint64_t Read = 0;
    zip_error_t Error{};
};

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

PageSpool::PageSpool(const std::string& archivePath)
{
    std::string name = FolderOf(archivePath) + ".tessaro-XXXXXX";
    file_ = UniqueFd(::mkostemp(name.data(), O_CLOEXEC));
    if (!file_)
        throw EFCreateError::ForFile(archivePath);
    // Nameless from the start, so that however the run ends nothing is left.
    ::unlink(name.c_str());
}

ZipSourceHandle PageSpool::Append(const void* data, std::size_t size)
{
    const auto* bytes = static_cast<const char*>(data);
    for (std::size_t done = 0; done < size;) {
        const ssize_t put = ::pwrite(file_.Get(), bytes + done, size - done, static_cast<off_t>(end_ + done));
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            throw EWriteError();
        done += static_cast<std::size_t>(put);
    }
    auto* stretch = new Stretch{this, end_, size};
    ZipSourceHandle source(zip_source_function_create(Serve, stretch, nullptr));
    if (!source) {
        delete stretch;
        throw EOutOfResources();
    }
    end_ += size;
    return source;
}

// The page's bytes as libzip asks for them; the source frees its stretch.
zip_int64_t PageSpool::Serve(void* state, void* data, zip_uint64_t length, zip_source_cmd_t command)
{
    auto* stretch = static_cast<Stretch*>(state);
    switch (command) {
    case ZIP_SOURCE_OPEN:
        stretch->Read = 0;
        return 0;
    case ZIP_SOURCE_READ: {
        const std::size_t wanted = std::min<std::uint64_t>(length, stretch->Size - stretch->Read);
        const std::size_t got = ReadUpTo(stretch->Spool->file_, data, wanted,
                                         static_cast<std::int64_t>(stretch->Offset + stretch->Read));
        if (got < wanted) {
            stretch->Spool->failure_ = std::make_exception_ptr(EReadError());
            zip_error_set(&stretch->Error, ZIP_ER_READ, errno);
            return -1;
        }
        stretch->Read += got;
        return static_cast<zip_int64_t>(got);
    }
    case ZIP_SOURCE_CLOSE:
        return 0;
    case ZIP_SOURCE_STAT: {
        auto* stat = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, length, &stretch->Error);
        if (stat == nullptr)
            return -1;
        zip_stat_init(stat);
        stat->valid = ZIP_STAT_SIZE;
        stat->size = stretch->Size;
        return sizeof(*stat);
    }
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&stretch->Error, data, length);
    case ZIP_SOURCE_FREE:
        zip_error_fini(&stretch->Error);
        delete stretch;
        return 0;
    case ZIP_SOURCE_SUPPORTS:
        return ZIP_SOURCE_SUPPORTS_READABLE;
    default:
        zip_error_set(&stretch->Error, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }
}

}  // namespace tessaro::pack
