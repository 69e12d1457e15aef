#pragma once
// Owners of libzip handles: an archive that is discarded (nothing written)
// unless it was closed, and a source that is freed unless an archive took it.

#include <zip.h>

#include "text/CHandle.h"

namespace tessaro::pack {

using ZipHandle = CHandle<zip_t, zip_discard>;
using ZipSourceHandle = CHandle<zip_source_t, zip_source_free>;

}  // namespace tessaro::pack
