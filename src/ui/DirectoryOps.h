#pragma once
// The file-system side of the directory chooser: the current directory,
// listings and creation. Paths are byte strings, handed to the system unchanged.

#include <string>
#include <vector>

#include "text/Exception.h"

namespace tessaro {

// The error for a directory that cannot be made current, from the system's
// error number: a missing name gives code 2 when its parent exists and 3 when
// it does not, too many open files 4, no access 5; any other number is shown
// as "I/O エラー (%d)" with the number itself.
EInOutError InOutErrorFor(int errorNumber, const std::string& path);

// The process's current directory as the system reports it.
std::string CurrentDir();
// Makes path the process's current directory; raises EInOutError.
void ChangeDir(const std::string& path);
bool DirectoryExists(const std::string& path);

// Creates the directory and its missing parents. A name that is empty, or a
// relative one whose chain of missing parents runs out of parent parts, raises
// Exception "ディレクトリを作成できません". Any other failure is silent.
void ForceDirectories(const std::string& directory);

// The entries of a directory except ".", ".." and hidden ones (names starting
// with a dot), split into directories and everything else, in no order.
struct DirectoryListing {
    std::vector<std::string> Directories;
    std::vector<std::string> Files;
};
DirectoryListing ListDirectory(const std::string& path);

// path and name joined with one "/" (none added when path already ends in one).
std::string JoinPath(const std::string& path, const std::string& name);

}  // namespace tessaro
