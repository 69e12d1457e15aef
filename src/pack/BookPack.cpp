#include "pack/BookPack.h"

#include <sys/stat.h>

#include "pack/ComicArchive.h"
#include "pack/FixedLayoutEpub.h"

namespace tessaro::pack {

std::string PackPath(PackFormat format, const std::string& outputDirectory, const std::string& prefix)
{
    const std::string name = prefix + (format == PackFormat::Epub ? ".epub" : ".cbz");
    return outputDirectory.empty() ? name : outputDirectory + '/' + name;
}

std::unique_ptr<BookPack> OpenPack(PackFormat format, const std::string& path, std::time_t date)
{
    if (format == PackFormat::Epub)
        return OpenFixedLayoutEpub(path, date);
    return OpenComicArchive(path, date);
}

PageWriter WriterInto(BookPack& pack)
{
    return [&pack](const std::string& fileName, const std::vector<std::uint8_t>& bytes) {
        pack.AddPage(fileName, bytes);
    };
}

std::time_t ModificationTime(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_mtime : 0;
}

}  // namespace tessaro::pack
