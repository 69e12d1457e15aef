#pragma once
// Owners of libzip handles: an archive that is discarded (nothing written)
// unless it was closed, and a source that is freed unless an archive took it.

#include <zip.h>

#include <memory>

namespace tessaro::pack {

struct ZipDiscarder {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
using ZipHandle = std::unique_ptr<zip_t, ZipDiscarder>;

struct ZipSourceFreer {
    void operator()(zip_source_t* source) const { zip_source_free(source); }
};
using ZipSourceHandle = std::unique_ptr<zip_source_t, ZipSourceFreer>;

}  // namespace tessaro::pack
