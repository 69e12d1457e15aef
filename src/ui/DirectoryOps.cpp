#include "ui/DirectoryOps.h"

#include <cerrno>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include "text/CHandle.h"

namespace tessaro {

namespace {

using UniqueDir = CHandle<DIR, closedir>;

bool ParentExists(const std::string& path)
{
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/')
        trimmed.pop_back();
    const auto slash = trimmed.rfind('/');
    if (slash == std::string::npos)
        return true;  // relative to the current directory, which exists
    return DirectoryExists(slash == 0 ? "/" : trimmed.substr(0, slash));
}

}  // namespace

EInOutError InOutErrorFor(int errorNumber, const std::string& path)
{
    switch (errorNumber) {
    case ENOENT:
        return ParentExists(path) ? EInOutError("ファイルが見つかりません", 2) : EInOutError("不正なファイル名です", 3);
    case ENOTDIR:
        return EInOutError("不正なファイル名です", 3);
    case EMFILE:
    case ENFILE:
        return EInOutError("オープンしたファイルが多すぎます", 4);
    case EACCES:
    case EPERM:
        return EInOutError("ファイルへのアクセスが拒否されました", 5);
    default:
        return EInOutError(FormatMessage("I/O エラー (%d)", errorNumber), errorNumber);
    }
}

std::string CurrentDir()
{
    std::string buffer(256, '\0');
    while (getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE)
            throw InOutErrorFor(errno, ".");
        buffer.resize(buffer.size() * 2);
    }
    buffer.resize(buffer.find('\0'));
    return buffer;
}

void ChangeDir(const std::string& path)
{
    if (chdir(path.c_str()) != 0)
        throw InOutErrorFor(errno, path);
}

bool DirectoryExists(const std::string& path)
{
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

void ForceDirectories(const std::string& directory)
{
    if (directory.empty())
        throw Exception("ディレクトリを作成できません");
    std::string name = directory;
    if (name.back() == '/')
        name.pop_back();
    if (name.empty() || DirectoryExists(name))
        return;
    const auto slash = name.rfind('/');
    ForceDirectories(slash == std::string::npos ? std::string() : name.substr(0, slash + 1));
    mkdir(name.c_str(), 0777);
}

DirectoryListing ListDirectory(const std::string& path)
{
    DirectoryListing listing;
    const UniqueDir dir(opendir(path.c_str()));
    if (!dir)
        return listing;
    while (const dirent* entry = readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (name.empty() || name.front() == '.')
            continue;
        (DirectoryExists(JoinPath(path, name)) ? listing.Directories : listing.Files).push_back(name);
    }
    return listing;
}

std::string JoinPath(const std::string& path, const std::string& name)
{
    if (!path.empty() && path.back() == '/')
        return path + name;
    return path + "/" + name;
}

}  // namespace tessaro
