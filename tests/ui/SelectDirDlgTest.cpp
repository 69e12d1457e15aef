// The directory chooser: what it lists, OK on existing, new and empty names,
// Cancel after browsing, entries that cannot be entered, and the error codes.

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <cerrno>
#include <filesystem>

#include "UiTestSupport.h"
#include "text/Exception.h"
#include "ui/DirectoryOps.h"
#include "ui/SelectDirDlg.h"

using namespace tessaro;
using tessaro::uitest::ClickBoxButton;
using tessaro::uitest::ModalDriver;
using tessaro::uitest::ScratchDir;

namespace {

constexpr TSelectDirOpts AllOptions = sdAllowCreate | sdPerformCreate | sdPrompt;
const QString Question = QStringLiteral("指定されたディレクトリが存在しません。作成しますか？");

QString Q(const std::string& bytes)
{
    return QString::fromStdString(bytes);
}

QStringList Entries(const QListWidget* list)
{
    QStringList texts;
    for (int row = 0; row < list->count(); ++row)
        texts << list->item(row)->text();
    return texts;
}

int RowOf(const QListWidget* list, const QString& text)
{
    for (int row = 0; row < list->count(); ++row) {
        if (list->item(row)->text() == text)
            return row;
    }
    return -1;
}

TSelectDirDlg* AsChooser(QWidget* modal)
{
    auto* dialog = qobject_cast<TSelectDirDlg*>(modal);
    if (dialog == nullptr)
        qFatal("expected the directory chooser");
    return dialog;
}

// A step that types a name into the chooser and presses OK.
ModalDriver::Step TypeAndConfirm(const QString& name)
{
    return [name](QWidget* modal) {
        TSelectDirDlg* dialog = AsChooser(modal);
        dialog->DirEdit->setText(name);
        dialog->OKButton->click();
    };
}

ModalDriver::Step Answer(const QString& button)
{
    return [button](QWidget* modal) { ClickBoxButton(qobject_cast<QMessageBox*>(modal), button); };
}

}  // namespace

class SelectDirDlgTest : public QObject {
    Q_OBJECT
private slots:
    void OpensOnTheCurrentDirectoryWithItsTree();
    void OkOnExistingDirectoryAsksNothing();
    void NewTwoLevelPathIsCreatedAfterYes();
    void NamesThatCannotBeCreated_data();
    void NamesThatCannotBeCreated();
    void CancelLeavesTheCurrentDirectoryWhereBrowsingLeftIt();
    void DirectoryThatCannotBeEnteredIsReported();
    void ErrorNumbersGiveTheMessages_data();
    void ErrorNumbersGiveTheMessages();
};

void SelectDirDlgTest::OpensOnTheCurrentDirectoryWithItsTree()
{
    ScratchDir scratch;
    for (const char* name : {"work/beta", "work/Alpha", "work/gamma", "work/.hidden"})
        std::filesystem::create_directories(scratch.File(name));
    for (const char* name : {"work/b.txt", "work/A.txt", "work/.secret"})
        uitest::WriteFile(scratch.File(name), "x");
    ChangeDir(scratch.File("work"));

    TSelectDirDlg dialog(AllOptions, 0, nullptr);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("ディレクトリの選択"));
    QCOMPARE(dialog.size(), QSize(424, 255));
    QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
    QVERIFY(!dialog.DirEdit->isHidden());
    QVERIFY(dialog.DirLabel->isHidden());
    QVERIFY(dialog.HelpButton->isHidden());
    QVERIFY(dialog.NetButton->isHidden());
    QCOMPARE(dialog.OKButton->geometry(), QRect(256, 224, 77, 27));
    QCOMPARE(dialog.CancelButton->geometry(), QRect(340, 224, 77, 27));
    QCOMPARE(dialog.CancelButton->text(), QStringLiteral("キャンセル"));

    QCOMPARE(dialog.DirEdit->text(), Q(scratch.File("work")));
    QCOMPARE(dialog.DirEdit->selectedText(), dialog.DirEdit->text());

    // The root, each ancestor, the current directory (selected), then the
    // subdirectories without hidden ones, ignoring case.
    QStringList expected{QStringLiteral("/")};
    for (const auto& part : std::filesystem::path(scratch.Path()).relative_path())
        expected << Q(part.string());
    expected << "work" << "Alpha" << "beta" << "gamma";
    QCOMPARE(Entries(dialog.DirList), expected);
    QCOMPARE(dialog.DirList->currentRow(), expected.indexOf("work"));
    QCOMPARE(Entries(dialog.FileList), (QStringList{"A.txt", "b.txt"}));
    QVERIFY(dialog.DriveList->currentIndex() >= 0);

    // Entering a subdirectory by its entry makes it current everywhere.
    dialog.DirList->OpenEntry(RowOf(dialog.DirList, "beta"));
    QCOMPARE(uitest::CurrentDirectory(), scratch.File("work/beta"));
    QCOMPARE(dialog.DirEdit->text(), Q(scratch.File("work/beta")));
    QVERIFY(dialog.FileList->count() == 0);
    // The first entry is the root.
    dialog.DirList->OpenEntry(0);
    QCOMPARE(uitest::CurrentDirectory(), std::string("/"));
    QCOMPARE(Entries(dialog.DirList).first(), QStringLiteral("/"));
    QCOMPARE(dialog.DirList->currentRow(), 0);
}

void SelectDirDlgTest::OkOnExistingDirectoryAsksNothing()
{
    ScratchDir scratch;
    ModalDriver driver;
    driver.Then([](QWidget* modal) { AsChooser(modal)->OKButton->click(); });
    std::string directory;
    QVERIFY(ChooseDirectory(directory, AllOptions, 0));
    QCOMPARE(Q(directory), Q(scratch.Path()));
    QVERIFY(driver.Boxes().empty());
}

void SelectDirDlgTest::NewTwoLevelPathIsCreatedAfterYes()
{
    ScratchDir scratch;
    const QString typed = Q(scratch.File("out/pages"));
    ModalDriver driver;
    TSelectDirDlg* chooser = nullptr;
    QString textAfterNo;
    driver.Then([&](QWidget* modal) {
        chooser = AsChooser(modal);
        TypeAndConfirm(typed)(modal);
    });
    // "No" keeps the dialog open with the typed text; OK again, then "yes".
    driver.Then([&](QWidget* modal) {
        ClickBoxButton(qobject_cast<QMessageBox*>(modal), QStringLiteral("いいえ(&N)"));
        QTimer::singleShot(0, [&] {
            textAfterNo = chooser->DirEdit->text();
            QVERIFY(std::filesystem::exists(scratch.File("out")) == false);
            chooser->OKButton->click();
        });
    });
    driver.Then(Answer(QStringLiteral("はい(&Y)")));

    std::string directory;
    QVERIFY(ChooseDirectory(directory, AllOptions, 0));
    QCOMPARE(Q(directory), typed);
    QCOMPARE(textAfterNo, typed);
    QVERIFY(DirectoryExists(scratch.File("out/pages")));
    QCOMPARE(driver.Boxes().size(), std::size_t(2));
    for (const auto& box : driver.Boxes()) {
        QCOMPARE(box.Caption, QStringLiteral("確認"));
        QCOMPARE(box.Text, Question);
        QCOMPARE(box.Icon, QMessageBox::Question);
        QCOMPARE(box.Buttons, (QStringList{"はい(&Y)", "いいえ(&N)"}));
    }
}

void SelectDirDlgTest::NamesThatCannotBeCreated_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("asks");
    QTest::addColumn<bool>("fails");
    QTest::newRow("empty name") << "" << true << true;
    QTest::newRow("relative name without a parent part") << "new" << true << true;
    QTest::newRow("relative two-level name") << "new/deeper" << true << true;
    QTest::newRow("existing relative name") << "here" << false << false;
    QTest::newRow("missing parent below an existing relative one") << "here/sub" << true << false;
}

void SelectDirDlgTest::NamesThatCannotBeCreated()
{
    QFETCH(QString, typed);
    QFETCH(bool, asks);
    QFETCH(bool, fails);

    ScratchDir scratch;
    std::filesystem::create_directory(scratch.File("here"));
    ModalDriver driver;
    driver.Then(TypeAndConfirm(typed));
    if (asks)
        driver.Then(Answer(QStringLiteral("はい(&Y)")));

    std::string directory;
    if (fails) {
        try {
            ChooseDirectory(directory, AllOptions, 0);
            QFAIL("no error");
        } catch (const Exception& error) {
            QCOMPARE(Q(error.Message()), QStringLiteral("ディレクトリを作成できません"));
        }
        QVERIFY(directory.empty());
    } else {
        QVERIFY(ChooseDirectory(directory, AllOptions, 0));
        QCOMPARE(Q(directory), typed);
        QVERIFY(DirectoryExists(scratch.File(typed.toStdString())));
    }
    QCOMPARE(driver.Boxes().size(), std::size_t(asks ? 1 : 0));
    QVERIFY(driver.AllStepsTaken());
}

void SelectDirDlgTest::CancelLeavesTheCurrentDirectoryWhereBrowsingLeftIt()
{
    ScratchDir scratch;
    std::filesystem::create_directories(scratch.File("sub/inner"));
    ModalDriver driver;
    QString shownAfterEnter;
    driver.Then([&](QWidget* modal) {
        TSelectDirDlg* dialog = AsChooser(modal);
        dialog->DirList->setFocus();
        dialog->DirList->setCurrentRow(RowOf(dialog->DirList, "sub"));
        QTest::keyClick(dialog->DirList, Qt::Key_Return);
        dialog->DirList->setCurrentRow(RowOf(dialog->DirList, "inner"));
        QTest::keyClick(dialog->DirList, Qt::Key_Enter);
        shownAfterEnter = dialog->DirEdit->text();
        dialog->CancelButton->click();
    });
    std::string directory;
    QVERIFY(!ChooseDirectory(directory, AllOptions, 0));
    QVERIFY(directory.empty());
    QCOMPARE(shownAfterEnter, Q(scratch.File("sub/inner")));
    QCOMPARE(uitest::CurrentDirectory(), scratch.File("sub/inner"));

    // The next opening starts there.
    driver.Then([](QWidget* modal) { AsChooser(modal)->OKButton->click(); });
    QVERIFY(ChooseDirectory(directory, AllOptions, 0));
    QCOMPARE(Q(directory), Q(scratch.File("sub/inner")));
}

void SelectDirDlgTest::DirectoryThatCannotBeEnteredIsReported()
{
    ScratchDir scratch;
    std::filesystem::create_directory(scratch.File("gone"));
    ModalDriver driver;
    bool stillOpen = false;
    QString listedAfterError;
    driver.Then([&](QWidget* modal) {
        TSelectDirDlg* dialog = AsChooser(modal);
        std::filesystem::remove(scratch.File("gone"));
        emit dialog->DirList->itemActivated(dialog->DirList->item(RowOf(dialog->DirList, "gone")));
        stillOpen = dialog->isVisible();
        listedAfterError = Q(dialog->DirList->Directory());
        dialog->CancelButton->click();
    });
    std::string directory;
    QVERIFY(!ChooseDirectory(directory, AllOptions, 0));
    QVERIFY(stillOpen);
    QCOMPARE(listedAfterError, Q(scratch.Path()));
    QCOMPARE(driver.Boxes().size(), std::size_t(1));
    QCOMPARE(driver.Boxes().front().Text, QStringLiteral("ファイルが見つかりません."));
    QCOMPARE(uitest::CurrentDirectory(), scratch.Path());
}

void SelectDirDlgTest::ErrorNumbersGiveTheMessages_data()
{
    QTest::addColumn<int>("errorNumber");
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing name in an existing directory")
        << ENOENT << "/tmp/no-such-name" << 2 << "ファイルが見つかりません";
    QTest::newRow("missing parent") << ENOENT << "/no-such-dir/x" << 3 << "不正なファイル名です";
    QTest::newRow("not a directory") << ENOTDIR << "/etc/passwd/x" << 3 << "不正なファイル名です";
    QTest::newRow("too many open files") << EMFILE << "/x" << 4 << "オープンしたファイルが多すぎます";
    QTest::newRow("no access") << EACCES << "/x" << 5 << "ファイルへのアクセスが拒否されました";
    QTest::newRow("input/output error keeps its number") << EIO << "/x" << EIO << "I/O エラー (5)";
    QTest::newRow("no medium") << ENOMEDIUM << "/x" << ENOMEDIUM << QString("I/O エラー (%1)").arg(ENOMEDIUM);
}

void SelectDirDlgTest::ErrorNumbersGiveTheMessages()
{
    QFETCH(int, errorNumber);
    QFETCH(QString, path);
    QFETCH(int, code);
    QFETCH(QString, message);
    const EInOutError error = InOutErrorFor(errorNumber, path.toStdString());
    QCOMPARE(error.ErrorCode(), code);
    QCOMPARE(Q(error.Message()), message);
}

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    tessaro::uitest::StartUp();
    SelectDirDlgTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "SelectDirDlgTest.moc"
