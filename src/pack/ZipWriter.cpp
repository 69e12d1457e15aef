#include "pack/ZipWriter.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <random>

#include "text/Exception.h"

namespace tessaro::pack {

namespace {

// Zip dates run from 1980 to 2107.
constexpr std::time_t FirstZipTime = 315532800;   // 1980-01-01 00:00:00 UTC
constexpr std::time_t LastZipTime = 4354819198;   // 2107-12-31 23:59:58 UTC
// An ordinary file, readable by all, as an unpacked entry should be.
constexpr zip_uint32_t EntryAttributes = (S_IFREG | 0644u) << 16;

// A new hidden file beside the archive under a name no file has yet, made
// with the permissions of any new file (0666 less the umask).
UniqueFd CreateHiddenFile(const std::string& archivePath, std::string& name)
{
    std::random_device random;
    for (int attempt = 0; attempt < 64; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "%08x", static_cast<unsigned>(random()));
        name = FolderOf(archivePath) + ".tessaro-" + suffix;
        UniqueFd file(::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (file || errno != EEXIST)
            return file;
    }
    return UniqueFd();
}

}  // namespace

// Where libzip writes the archive: a new hidden file, synced and renamed over
// the archive's name when libzip commits, removed when it rolls back. It
// starts as an empty archive.
class ZipWriter::Target {
public:
    explicit Target(std::string path) : path_(std::move(path)) {}
    ~Target() { Discard(); }

    static zip_int64_t Serve(void* target, void* data, zip_uint64_t length, zip_source_cmd_t command)
    {
        return static_cast<Target*>(target)->Handle(data, length, command);
    }

    const std::exception_ptr& Failure() const { return failure_; }

private:
    zip_int64_t Handle(void* data, zip_uint64_t length, zip_source_cmd_t command)
    {
        switch (command) {
        case ZIP_SOURCE_SUPPORTS:
            return ZIP_SOURCE_SUPPORTS_WRITABLE;
        case ZIP_SOURCE_STAT:
            return StatEmpty(data, length);
        case ZIP_SOURCE_OPEN:
        case ZIP_SOURCE_CLOSE:
        case ZIP_SOURCE_READ:
        case ZIP_SOURCE_SEEK:
        case ZIP_SOURCE_TELL:
        case ZIP_SOURCE_REMOVE:
        case ZIP_SOURCE_FREE:
            return 0;
        case ZIP_SOURCE_BEGIN_WRITE:
            return Begin();
        case ZIP_SOURCE_WRITE:
            return WriteAll(file_, data, length) ? static_cast<zip_int64_t>(length) : Fail(EWriteError());
        case ZIP_SOURCE_SEEK_WRITE:
            return SeekWrite(data, length);
        case ZIP_SOURCE_TELL_WRITE:
            return ::lseek(file_.Get(), 0, SEEK_CUR);
        case ZIP_SOURCE_COMMIT_WRITE:
            return Commit();
        case ZIP_SOURCE_ROLLBACK_WRITE:
            Discard();
            return 0;
        case ZIP_SOURCE_ERROR:
            return zip_error_to_data(&error_, data, length);
        default:
            zip_error_set(&error_, ZIP_ER_OPNOTSUPP, 0);
            return -1;
        }
    }

    zip_int64_t StatEmpty(void* data, zip_uint64_t length)
    {
        auto* stat = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, length, &error_);
        if (stat == nullptr)
            return -1;
        zip_stat_init(stat);
        stat->valid = ZIP_STAT_SIZE;
        stat->size = 0;
        return sizeof(*stat);
    }

    zip_int64_t Begin()
    {
        file_ = CreateHiddenFile(path_, temporary_);
        return file_ ? 0 : Fail(EFCreateError::ForFile(path_));
    }

    zip_int64_t SeekWrite(void* data, zip_uint64_t length)
    {
        const auto* seek = ZIP_SOURCE_GET_ARGS(zip_source_args_seek_t, data, length, &error_);
        if (seek == nullptr)
            return -1;
        return ::lseek(file_.Get(), seek->offset, seek->whence) < 0 ? Fail(EWriteError()) : 0;
    }

    // An archive that replaces another keeps that one's permissions.
    zip_int64_t Commit()
    {
        struct stat existing {};
        if (::stat(path_.c_str(), &existing) == 0 && ::fchmod(file_.Get(), existing.st_mode & 07777) != 0)
            return Fail(EFCreateError::ForFile(path_));
        if (::fsync(file_.Get()) != 0)
            return Fail(EWriteError());
        file_ = UniqueFd();
        if (::rename(temporary_.c_str(), path_.c_str()) != 0)
            return Fail(EFCreateError::ForFile(path_));
        temporary_.clear();
        return 0;
    }

    void Discard()
    {
        file_ = UniqueFd();
        if (!temporary_.empty())
            ::unlink(temporary_.c_str());
        temporary_.clear();
    }

    template <class Error>
    zip_int64_t Fail(const Error& error)
    {
        const int cause = errno;
        failure_ = std::make_exception_ptr(error);
        zip_error_set(&error_, ZIP_ER_WRITE, cause);
        return -1;
    }

    std::string path_;
    std::string temporary_;
    UniqueFd file_;
    zip_error_t error_{};
    std::exception_ptr failure_;
};

ZipWriter::ZipWriter(const std::string& path, std::time_t date)
    : path_(path), spool_(path), target_(std::make_unique<Target>(path))
{
    std::tm utc{};
    const std::time_t clamped = std::clamp(date, FirstZipTime, LastZipTime);
    gmtime_r(&clamped, &utc);
    dosTime_ = static_cast<std::uint16_t>((utc.tm_hour << 11) | (utc.tm_min << 5) | (utc.tm_sec / 2));
    dosDate_ = static_cast<std::uint16_t>(((utc.tm_year - 80) << 9) | ((utc.tm_mon + 1) << 5) | utc.tm_mday);

    ZipSourceHandle target(zip_source_function_create(Target::Serve, target_.get(), nullptr));
    if (target)
        zip_.reset(zip_open_from_source(target.get(), ZIP_TRUNCATE, nullptr));
    if (!zip_)
        throw EOutOfResources();
    target.release();
}

ZipWriter::~ZipWriter() = default;

void ZipWriter::AddText(const std::string& name, std::string content)
{
    const std::string& kept = texts_.emplace_back(std::move(content));
    ZipSourceHandle source(zip_source_buffer_create(kept.data(), kept.size(), 0, nullptr));
    if (!source)
        throw EOutOfResources();
    Add(name, std::move(source));
}

void ZipWriter::AddSpooled(const std::string& name, const std::vector<std::uint8_t>& bytes)
{
    Add(name, spool_.Append(bytes.data(), bytes.size()));
}

void ZipWriter::Add(const std::string& name, ZipSourceHandle source)
{
    const zip_int64_t index = zip_file_add(zip_.get(), name.c_str(), source.get(), 0);
    if (index < 0)
        throw EWriteError();
    source.release();
    const auto entry = static_cast<zip_uint64_t>(index);
    if (zip_set_file_compression(zip_.get(), entry, ZIP_CM_STORE, 0) != 0 ||
        zip_file_set_dostime(zip_.get(), entry, dosTime_, dosDate_, 0) != 0 ||
        zip_file_set_external_attributes(zip_.get(), entry, 0, ZIP_OPSYS_UNIX, EntryAttributes) != 0)
        throw EWriteError();
}

void ZipWriter::Commit()
{
    if (zip_close(zip_.get()) == 0) {
        zip_.release();
        return;
    }
    if (target_->Failure())
        std::rethrow_exception(target_->Failure());
    if (spool_.Failure())
        std::rethrow_exception(spool_.Failure());
    throw EWriteError();
}

}  // namespace tessaro::pack
