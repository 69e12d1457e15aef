#pragma once
// The directory chooser: browse volumes and directories, or type a directory
// name; a directory that does not exist may be created after OK. Browsing
// changes the process's current directory and does not put it back.

#include <QDialog>
#include <QListWidget>
#include <functional>
#include <string>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tessaro {

// The directory tree as a list: the root, each ancestor and the current
// directory, then its subdirectories sorted in the user's locale ignoring case.
// Double-click or Enter on an entry goes there.
class TDirectoryListBox : public QListWidget {
    Q_OBJECT
public:
    // Starts in the process's current directory.
    explicit TDirectoryListBox(QWidget* parent);

    const std::string& Directory() const { return directory_; }
    // Makes name (absolute, or relative to the list's directory) the process's
    // current directory and the list's. Raises EInOutError when it cannot be
    // entered; the list then stays as it was.
    void SetDirectory(const std::string& name);
    // Goes to the directory the entry in row stands for.
    void OpenEntry(int row);

    std::function<void()> OnChange;

protected:
    // Enter opens the current entry and goes no further: the dialog's
    // default button is not pressed with it.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Rebuild();
    void AddEntry(const QString& text, const std::string& path, int level, const QIcon& icon);

    std::string directory_;
};

enum TSelectDirOpt : unsigned { sdAllowCreate = 1, sdPerformCreate = 2, sdPrompt = 4 };
using TSelectDirOpts = unsigned;

class TSelectDirDlg : public QDialog {
    Q_OBJECT
public:
    TSelectDirDlg(TSelectDirOpts options, int helpContext, QWidget* parent);

    QLineEdit* DirEdit;
    QLabel* DirLabel;
    TDirectoryListBox* DirList;
    QListWidget* FileList;
    QComboBox* DriveList;
    QPushButton* NetButton;
    QPushButton* OKButton;
    QPushButton* CancelButton;
    QPushButton* HelpButton;

    // The typed name as bytes (the list's directory when names cannot be typed).
    std::string Directory() const;

private:
    void PlaceControls(int helpContext);
    void FillDrives();
    void SelectDriveOf(const std::string& directory);
    void DirListChange();
    void DriveListChange(int index);
    void OKClick();

    TSelectDirOpts options_;
    std::vector<std::string> driveRoots_;
};

// Runs the chooser. On OK, directory receives the chosen name, created first
// (with its parents) under sdPerformCreate, and true is returned. On Cancel,
// or when creating raises, directory is unchanged. A non-empty directory on
// entry is where browsing starts.
bool ChooseDirectory(std::string& directory, TSelectDirOpts options, int helpContext, QWidget* parent = nullptr);

}  // namespace tessaro
