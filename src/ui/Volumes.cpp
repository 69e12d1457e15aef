#include "ui/Volumes.h"

#include <QFile>
#include <QStorageInfo>
#include <algorithm>
#include <filesystem>
#include <fstream>

#include "ui/DirectoryOps.h"

namespace tessaro {

namespace {

bool IsNetworkFileSystem(const QByteArray& type)
{
    static const char* const network[] = {"nfs", "nfs4", "cifs", "smb3", "smbfs", "fuse.sshfs", "sshfs",
                                          "9p",  "afs",  "ceph", "glusterfs", "fuse.glusterfs", "davfs"};
    return std::any_of(std::begin(network), std::end(network), [&](const char* name) { return type == name; });
}

// A block device counts as removable when the kernel flags the disk (or the
// disk a partition lies on) as such.
bool IsRemovableDevice(const QByteArray& device)
{
    if (!device.startsWith("/dev/"))
        return false;
    std::error_code error;
    const auto sysEntry = std::filesystem::canonical(
        std::filesystem::path("/sys/class/block") / device.mid(5).toStdString(), error);
    if (error)
        return false;
    for (const auto& dir : {sysEntry, sysEntry.parent_path()}) {
        std::ifstream flag(dir / "removable");
        char value = '0';
        if (flag >> value)
            return value == '1';
    }
    return false;
}

QString VolumeText(const QStorageInfo& storage, VolumeKind kind)
{
    const QString root = storage.rootPath();
    switch (kind) {
    case VolumeKind::Removable:
        return root;
    case VolumeKind::Network:
        return root + QLatin1Char(' ') + QString::fromLocal8Bit(storage.device());
    default:
        return root + QStringLiteral(" [") + storage.name() + QLatin1Char(']');
    }
}

}  // namespace

VolumeKind KindOf(const QStorageInfo& storage)
{
    const QByteArray type = storage.fileSystemType();
    if (IsNetworkFileSystem(type))
        return VolumeKind::Network;
    if (type == "iso9660" || type == "udf")
        return VolumeKind::CdRom;
    if (type == "tmpfs" || type == "ramfs")
        return VolumeKind::Ram;
    if (IsRemovableDevice(storage.device()))
        return VolumeKind::Removable;
    return VolumeKind::Fixed;
}

std::vector<Volume> MountedVolumes()
{
    std::vector<Volume> volumes;
    for (const QStorageInfo& storage : QStorageInfo::mountedVolumes()) {
        const std::string root = QFile::encodeName(storage.rootPath()).toStdString();
        if (!storage.isValid() || !storage.isReady() || !DirectoryExists(root))
            continue;
        const VolumeKind kind = KindOf(storage);
        volumes.push_back({root, kind, VolumeText(storage, kind)});
    }
    std::sort(volumes.begin(), volumes.end(),
              [](const Volume& a, const Volume& b) { return a.RootPath < b.RootPath; });
    return volumes;
}

std::string VolumeRootOf(const std::string& path)
{
    return QFile::encodeName(QStorageInfo(QFile::decodeName(path.c_str())).rootPath()).toStdString();
}

}  // namespace tessaro
