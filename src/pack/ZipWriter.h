#pragma once
// A zip archive of stored entries, made under a hidden name beside its own
// and put in its place only when it is complete and on disk: until Commit
// nothing is written under the archive's name, and an earlier archive of that
// name keeps its bytes. Entries are stored, not compressed (the pages are
// compressed images already), and all carry one date, so that the same book
// gives the same bytes in every run, wherever it runs.

#include <cstdint>
#include <ctime>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "pack/PageSpool.h"
#include "pack/ZipHandles.h"

namespace tessaro::pack {

class ZipWriter {
public:
    // Raises EFCreateError when the archive's folder takes no file.
    ZipWriter(const std::string& path, std::time_t date);
    ~ZipWriter();
    ZipWriter(const ZipWriter&) = delete;
    ZipWriter& operator=(const ZipWriter&) = delete;

    // Entries go into the archive in the order they are added. A text waits
    // in memory (the small documents of a book), the bytes of a spooled
    // entry in the spool (the pages). Raises EWriteError.
    void AddText(const std::string& name, std::string content);
    void AddSpooled(const std::string& name, const std::vector<std::uint8_t>& bytes);

    // Writes the archive and puts it in place. Raises EFCreateError when it
    // cannot be made or put in place, EWriteError when its bytes cannot all
    // be stored.
    void Commit();

    const std::string& Path() const { return path_; }

private:
    class Target;
    void Add(const std::string& name, ZipSourceHandle source);

    std::string path_;
    std::uint16_t dosTime_;
    std::uint16_t dosDate_;
    std::deque<std::string> texts_;
    PageSpool spool_;
    std::unique_ptr<Target> target_;
    // Last, so that the archive lets go of its sources before what they read.
    ZipHandle zip_;
};

}  // namespace tessaro::pack
