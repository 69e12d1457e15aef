#pragma once
// The program's pictures, drawn in code: the browse buttons' folders and the
// application icon.

#include <QIcon>

namespace tessaro {

// A 16x16 open folder, with a sheet of paper in front of it when withSheet.
// Qt derives the greyed picture of a disabled button from it.
QIcon OpenFolderIcon(bool withSheet);

// A page of text on a handheld's screen, at the usual icon sizes.
QIcon ApplicationIcon();

}  // namespace tessaro
