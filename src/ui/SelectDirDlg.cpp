#include "ui/SelectDirDlg.h"

#include <QCollator>
#include <QComboBox>
#include <QFile>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QStyledItemDelegate>
#include <algorithm>
#include <utility>

#include "app/ErrorReporting.h"
#include "imaging/TFont.h"
#include "ui/DirectoryOps.h"
#include "ui/FontConversion.h"
#include "ui/Volumes.h"

namespace tessaro {

namespace {

constexpr int PathRole = Qt::UserRole;
constexpr int LevelRole = Qt::UserRole + 1;
constexpr int IndentPerLevel = 8;

QString DecodePath(const std::string& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path));
}

// Names paired with their display text, sorted in the user's locale ignoring case.
std::vector<std::pair<QString, std::string>> SortedForDisplay(const std::vector<std::string>& names)
{
    std::vector<std::pair<QString, std::string>> sorted;
    for (const std::string& name : names)
        sorted.emplace_back(DecodePath(name), name);
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::sort(sorted.begin(), sorted.end(),
              [&](const auto& a, const auto& b) { return collator.compare(a.first, b.first) < 0; });
    return sorted;
}

// Indents each entry of the directory list by its depth in the tree.
class LevelIndentDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        option->rect.setLeft(option->rect.left() + index.data(LevelRole).toInt() * IndentPerLevel);
    }
};

QIcon VolumeIcon(const QStyle* style, VolumeKind kind)
{
    switch (kind) {
    case VolumeKind::Removable:
        return style->standardIcon(QStyle::SP_DriveFDIcon);
    case VolumeKind::Network:
        return style->standardIcon(QStyle::SP_DriveNetIcon);
    case VolumeKind::CdRom:
        return style->standardIcon(QStyle::SP_DriveCDIcon);
    default:
        return style->standardIcon(QStyle::SP_DriveHDIcon);
    }
}

bool ConfirmCreate(QWidget* parent)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("確認"),
                    QStringLiteral("指定されたディレクトリが存在しません。作成しますか？"), QMessageBox::NoButton, parent);
    QPushButton* yes = box.addButton(QStringLiteral("はい(&Y)"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("いいえ(&N)"), QMessageBox::NoRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}

// Labels size themselves to their text; the design size is the least they take.
QLabel* AddLabel(QWidget* parent, const QString& text, QWidget* buddy, const QRect& geometry)
{
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    const QSize hint = label->sizeHint();
    label->setGeometry(geometry.left(), geometry.top(), std::max(geometry.width(), hint.width()),
                       std::max(geometry.height(), hint.height()));
    return label;
}

}  // namespace

TDirectoryListBox::TDirectoryListBox(QWidget* parent) : QListWidget(parent), directory_(CurrentDir())
{
    setItemDelegate(new LevelIndentDelegate(this));
    connect(this, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        Guarded([&] { OpenEntry(row(item)); });
    });
    Rebuild();
}

void TDirectoryListBox::keyPressEvent(QKeyEvent* event)
{
    QListWidget::keyPressEvent(event);
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        event->accept();
}

void TDirectoryListBox::SetDirectory(const std::string& name)
{
    if (name.empty() || name == directory_)
        return;
    // A relative name is taken from the list's directory.
    if (DirectoryExists(directory_))
        ChangeDir(directory_);
    ChangeDir(name);
    directory_ = CurrentDir();
    Rebuild();
    if (OnChange)
        OnChange();
}

void TDirectoryListBox::OpenEntry(int row)
{
    if (const QListWidgetItem* entry = item(row))
        SetDirectory(entry->data(PathRole).toByteArray().toStdString());
}

void TDirectoryListBox::AddEntry(const QString& text, const std::string& path, int level, const QIcon& icon)
{
    auto* entry = new QListWidgetItem(icon, text, this);
    entry->setData(PathRole, QByteArray::fromStdString(path));
    entry->setData(LevelRole, level);
}

void TDirectoryListBox::Rebuild()
{
    clear();
    const QIcon openFolder = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closedFolder = style()->standardIcon(QStyle::SP_DirClosedIcon);

    // The root, then one entry per part of the path down to the current directory.
    std::vector<std::string> parts;
    for (std::size_t start = 0; start < directory_.size();) {
        const auto end = std::min(directory_.find('/', start), directory_.size());
        if (end > start)
            parts.push_back(directory_.substr(start, end - start));
        start = end + 1;
    }
    AddEntry(QStringLiteral("/"), "/", 0, openFolder);
    std::string path = "/";
    for (std::size_t i = 0; i < parts.size(); ++i) {
        path = JoinPath(path, parts[i]);
        AddEntry(DecodePath(parts[i]), path, int(i) + 1, openFolder);
    }
    const int currentRow = count() - 1;

    const int subLevel = int(parts.size()) + 1;
    for (const auto& [text, name] : SortedForDisplay(ListDirectory(directory_).Directories))
        AddEntry(text, JoinPath(directory_, name), subLevel, closedFolder);
    setCurrentRow(currentRow);
}

TSelectDirDlg::TSelectDirDlg(TSelectDirOpts options, int helpContext, QWidget* parent)
    : QDialog(parent,
              Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                  Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      options_(options)
{
    setObjectName(QStringLiteral("SelectDirDlg"));
    setWindowTitle(QStringLiteral("ディレクトリの選択"));
    setFont(WidgetFont(DefaultFontDescription()));
    setFixedSize(424, 255);

    DirEdit = new QLineEdit(this);
    DirLabel = new QLabel(this);
    DirList = new TDirectoryListBox(this);
    FileList = new QListWidget(this);
    DriveList = new QComboBox(this);
    NetButton = new QPushButton(QStringLiteral("ネットワーク(&N)..."), this);
    OKButton = new QPushButton(QStringLiteral("OK"), this);
    CancelButton = new QPushButton(QStringLiteral("キャンセル"), this);
    HelpButton = new QPushButton(QStringLiteral("ヘルプ(&H)"), this);

    AddLabel(this, QStringLiteral("ディレクトリ名(&N):"), DirEdit, {8, 8, 92, 13});
    AddLabel(this, QStringLiteral("ディレクトリ(&D):"), DirList, {8, 56, 66, 13});
    AddLabel(this, QStringLiteral("ファイル(&F): (*.*)"), FileList, {232, 56, 57, 13});
    AddLabel(this, QStringLiteral("ドライブ(&R):"), DriveList, {232, 176, 41, 13});
    PlaceControls(helpContext);

    QPalette greyText = FileList->palette();
    greyText.setColor(QPalette::Text, greyText.color(QPalette::Disabled, QPalette::Text));
    FileList->setPalette(greyText);
    // No platform network-connection dialog exists here.
    NetButton->hide();
    OKButton->setDefault(true);
    DirEdit->setVisible((options_ & sdAllowCreate) != 0);
    DirLabel->setVisible((options_ & sdAllowCreate) == 0);

    setTabOrder(DirList, DirEdit);
    setTabOrder(DirEdit, DriveList);
    setTabOrder(DriveList, NetButton);
    setTabOrder(NetButton, OKButton);
    setTabOrder(OKButton, CancelButton);
    setTabOrder(CancelButton, FileList);
    setTabOrder(FileList, HelpButton);

    FillDrives();
    DirList->OnChange = [this] { DirListChange(); };
    DirListChange();
    connect(DriveList, &QComboBox::activated, this, [this](int index) { Guarded([&] { DriveListChange(index); }); });
    connect(OKButton, &QPushButton::clicked, this, [this] { Guarded([this] { OKClick(); }); });
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
    DirList->setFocus();
}

void TSelectDirDlg::PlaceControls(int helpContext)
{
    DirEdit->setGeometry(8, 24, 313, 20);
    DirLabel->setGeometry(8, 24, 313, 20);
    DirList->setGeometry(8, 72, 213, 138);
    FileList->setGeometry(232, 72, 185, 93);
    DriveList->setGeometry(232, 192, 185, 19);
    NetButton->setGeometry(8, 224, 77, 27);
    // Without a help context the help button is hidden and OK and Cancel take
    // its place on the right.
    const bool help = helpContext != 0;
    OKButton->setGeometry(help ? 172 : 256, 224, 77, 27);
    CancelButton->setGeometry(help ? 256 : 340, 224, 77, 27);
    HelpButton->setGeometry(340, 224, 77, 27);
    HelpButton->setVisible(help);
}

void TSelectDirDlg::FillDrives()
{
    for (const Volume& volume : MountedVolumes()) {
        DriveList->addItem(VolumeIcon(style(), volume.Kind), volume.Text);
        driveRoots_.push_back(volume.RootPath);
    }
}

void TSelectDirDlg::SelectDriveOf(const std::string& directory)
{
    const auto found = std::find(driveRoots_.begin(), driveRoots_.end(), VolumeRootOf(directory));
    DriveList->setCurrentIndex(found == driveRoots_.end() ? -1 : int(found - driveRoots_.begin()));
}

std::string TSelectDirDlg::Directory() const
{
    const std::string& listed = DirList->Directory();
    if ((options_ & sdAllowCreate) == 0)
        return listed;
    // Keeps the exact bytes of the listed directory unless the user typed
    // something else (a name that is not UTF-8 does not survive the edit).
    const QString typed = DirEdit->text();
    return typed == DecodePath(listed) ? listed : QFile::encodeName(typed).toStdString();
}

void TSelectDirDlg::DirListChange()
{
    const std::string& directory = DirList->Directory();
    const QString text = DecodePath(directory);
    DirLabel->setText(DirLabel->fontMetrics().elidedText(text, Qt::ElideMiddle, DirLabel->width()));
    DirLabel->setToolTip(text);

    FileList->clear();
    for (const auto& [name, bytes] : SortedForDisplay(ListDirectory(directory).Files))
        FileList->addItem(name);

    DirEdit->setText(text);
    DirEdit->selectAll();
    SelectDriveOf(directory);
}

void TSelectDirDlg::DriveListChange(int index)
{
    const std::string& root = driveRoots_.at(std::size_t(index));
    if (root == VolumeRootOf(DirList->Directory()))
        return;
    DirList->SetDirectory(root);
}

void TSelectDirDlg::OKClick()
{
    const bool ask = (options_ & sdAllowCreate) && (options_ & sdPrompt) && !DirectoryExists(Directory());
    if (ask && !ConfirmCreate(this))
        return;
    accept();
}

bool ChooseDirectory(std::string& directory, TSelectDirOpts options, int helpContext, QWidget* parent)
{
    std::string chosen;
    {
        TSelectDirDlg dialog(options, helpContext, parent);
        if (!directory.empty())
            dialog.DirList->SetDirectory(directory);
        if (dialog.exec() != QDialog::Accepted)
            return false;
        chosen = dialog.Directory();
    }
    if (options & sdPerformCreate)
        ForceDirectories(chosen);
    directory = chosen;
    return true;
}

}  // namespace tessaro
