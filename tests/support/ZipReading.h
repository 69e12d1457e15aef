#pragma once
// A zip archive read back through libzip: its entries in order. Empty when
// the archive does not open or fails its consistency check.

#include <zip.h>

#include <string>
#include <vector>

namespace tessaro::test {

struct ZipEntry {
    std::string Name;
    bool Stored = false;
    std::string Bytes;
};

inline std::vector<ZipEntry> ReadZip(const std::string& path)
{
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
    std::vector<ZipEntry> entries;
    for (zip_int64_t i = 0; archive != nullptr && i < zip_get_num_entries(archive, 0); ++i) {
        zip_stat_t stat;
        zip_stat_index(archive, zip_uint64_t(i), 0, &stat);
        ZipEntry& entry = entries.emplace_back(ZipEntry{stat.name, stat.comp_method == ZIP_CM_STORE, {}});
        entry.Bytes.resize(stat.size);
        zip_file_t* file = zip_fopen_index(archive, zip_uint64_t(i), 0);
        zip_fread(file, entry.Bytes.data(), stat.size);
        zip_fclose(file);
    }
    if (archive != nullptr)
        zip_discard(archive);
    return entries;
}

}  // namespace tessaro::test
