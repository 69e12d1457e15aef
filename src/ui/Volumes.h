#pragma once
// The mounted volumes the directory chooser offers as drives.

#include <QString>
#include <string>
#include <vector>

class QStorageInfo;

namespace tessaro {

enum class VolumeKind { Removable, Fixed, Network, CdRom, Ram };

struct Volume {
    std::string RootPath;
    VolumeKind Kind;
    // The root path, then the label in brackets, or the remote name of a
    // network volume; a removable volume shows its root path alone.
    QString Text;
};

VolumeKind KindOf(const QStorageInfo& storage);
// The ready volumes whose root is a directory, sorted by root path.
std::vector<Volume> MountedVolumes();
// The root path of the volume holding path.
std::string VolumeRootOf(const std::string& path);

}  // namespace tessaro
