// The directory chooser: what it lists, typed names and the question before
// creating one, browsing and Cancel, and the error codes.

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <cerrno>
#include <filesystem>
#include <fstream>

#include "UiTestSupport.h"
#include "ui/SelectDirDlg.h"

namespace tessaro::test {
namespace {

constexpr TSelectDirOpts AllOptions = sdAllowCreate | sdPerformCreate | sdPrompt;

QStringList Entries(const QListWidget* list)
{
    QStringList texts;
    for (int row = 0; row < list->count(); ++row)
        texts << list->item(row)->text();
    return texts;
}

// As a double-click or Enter on the entry.
void Activate(TDirectoryListBox* list, const QString& entry)
{
    emit list->itemActivated(list->findItems(entry, Qt::MatchExactly).value(0));
}

}  // namespace

class SelectDirDlgTest : public QObject {
    Q_OBJECT
private slots:
    void OpensOnTheCurrentDirectoryWithItsTree()
    {
        ScratchDir scratch;
        for (const char* name : {"work/beta", "work/Alpha", "work/gamma", "work/.hidden"})
            std::filesystem::create_directories(scratch.File(name));
        for (const char* name : {"work/b.txt", "work/A.txt", "work/.secret"})
            std::ofstream(scratch.File(name)) << "x";
        ChangeDir(scratch.File("work"));
        TSelectDirDlg dialog(AllOptions, 0, nullptr);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("ディレクトリの選択"));
        QCOMPARE(dialog.size(), QSize(424, 255));
        QVERIFY(dialog.DirLabel->isHidden() && dialog.HelpButton->isHidden() && dialog.NetButton->isHidden());
        // Without help, OK and Cancel take the right-hand places.
        QCOMPARE(dialog.OKButton->geometry(), QRect(256, 224, 77, 27));
        QCOMPARE(dialog.CancelButton->geometry(), QRect(340, 224, 77, 27));
        QCOMPARE(dialog.CancelButton->text(), QStringLiteral("キャンセル"));
        QCOMPARE(dialog.DirEdit->selectedText(), scratch.Q("work"));
        // The root, each ancestor, the current directory (selected), then the
        // subdirectories without hidden ones, ignoring case.
        QStringList tree = scratch.Q("work").split('/');
        tree[0] = QStringLiteral("/");
        QCOMPARE(dialog.DirList->currentRow(), tree.size() - 1);
        QCOMPARE(Entries(dialog.DirList), tree << "Alpha" << "beta" << "gamma");
        QCOMPARE(Entries(dialog.FileList), (QStringList{"A.txt", "b.txt"}));
        QVERIFY(dialog.DriveList->currentIndex() >= 0);
        dialog.DirList->OpenEntry(0);
        QCOMPARE(CurrentDir(), std::string("/"));
        QCOMPARE(dialog.DirEdit->text(), QStringLiteral("/"));
    }

    // Relative names, typed in a directory holding "here"; questions are
    // answered yes, in the last row no first.
    void TypedNames_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("questions");
        QTest::addColumn<bool>("fails");
        QTest::newRow("empty name") << "" << 1 << true;
        QTest::newRow("no parent part") << "new" << 1 << true;
        QTest::newRow("two levels") << "new/deeper" << 1 << true;
        QTest::newRow("existing") << "here" << 0 << false;
        QTest::newRow("missing below an existing one") << "here/sub" << 1 << false;
        QTest::newRow("two levels below an existing one, no first") << "here/a/b" << 2 << false;
    }
    void TypedNames()
    {
        QFETCH(QString, typed);
        QFETCH(int, questions);
        QFETCH(bool, fails);
        ScratchDir scratch;
        std::filesystem::create_directory(scratch.File("here"));
        ModalDriver driver;
        driver.Then(Type(typed));
        if (questions == 2) {
            // "No" keeps the chooser open with the typed name; OK again.
            driver.Then([](QWidget* box) {
                auto* chooser = qobject_cast<TSelectDirDlg*>(box->parentWidget());
                qobject_cast<QMessageBox*>(box)->buttons().constLast()->click();
                QTimer::singleShot(0, chooser, [chooser] { chooser->OKButton->click(); });
            });
        }
        std::string directory;
        try {
            QVERIFY(ChooseDirectory(directory, AllOptions, 0));
            QVERIFY(!fails && DirectoryExists(scratch.File(typed.toStdString())));
            QCOMPARE(QString::fromStdString(directory), typed);
        } catch (const Exception& error) {
            QVERIFY(fails && directory.empty());
            QCOMPARE(QString::fromStdString(error.Message()), QStringLiteral("ディレクトリを作成できません"));
        }
        const QString question = BoxText(QMessageBox::Question, QStringLiteral("確認"),
                                         QStringLiteral("指定されたディレクトリが存在しません。作成しますか？"),
                                         {QStringLiteral("はい(&Y)"), QStringLiteral("いいえ(&N)")});
        QCOMPARE(driver.Boxes, QStringList(questions, question));
    }

    // Browsing; a directory removed before it is entered is
    // reported and the chooser stays where it was. Cancel leaves the current
    // directory where browsing left it, and the next opening starts there.
    void BrowsingThenCancel()
    {
        ScratchDir scratch;
        std::filesystem::create_directories(scratch.File("sub/inner/gone"));
        ModalDriver driver;
        driver.Then([&](QWidget* modal) {
            auto* dialog = qobject_cast<TSelectDirDlg*>(modal);
            Activate(dialog->DirList, "sub");
            Activate(dialog->DirList, "inner");
            QCOMPARE(dialog->DirEdit->text(), scratch.Q("sub/inner"));
            std::filesystem::remove(scratch.File("sub/inner/gone"));
            Activate(dialog->DirList, "gone");
            QVERIFY(dialog->isVisible());
            QCOMPARE(dialog->DirList->Directory(), scratch.File("sub/inner"));
            dialog->CancelButton->click();
        });
        std::string directory;
        QVERIFY(!ChooseDirectory(directory, AllOptions, 0));
        QVERIFY(directory.empty());
        QCOMPARE(CurrentDir(), scratch.File("sub/inner"));
        QCOMPARE(driver.Boxes, QStringList{ErrorBox(QStringLiteral("ファイルが見つかりません."))});
        driver.Then([](QWidget* modal) { qobject_cast<TSelectDirDlg*>(modal)->OKButton->click(); });
        QVERIFY(ChooseDirectory(directory, AllOptions, 0));
        QCOMPARE(directory, scratch.File("sub/inner"));
    }

    void ErrorNumbersGiveTheMessages_data()
    {
        QTest::addColumn<int>("errorNumber");
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing name, parent exists") << ENOENT << "/tmp/no-such-name" << 2 << "ファイルが見つかりません";
        QTest::newRow("missing parent") << ENOENT << "/no-such-dir/x" << 3 << "不正なファイル名です";
        QTest::newRow("not a directory") << ENOTDIR << "/etc/passwd/x" << 3 << "不正なファイル名です";
        QTest::newRow("too many open files") << EMFILE << "/x" << 4 << "オープンしたファイルが多すぎます";
        QTest::newRow("no access") << EACCES << "/x" << 5 << "ファイルへのアクセスが拒否されました";
        QTest::newRow("any other keeps its number") << EIO << "/x" << EIO << "I/O エラー (5)";
    }
    void ErrorNumbersGiveTheMessages()
    {
        QFETCH(int, errorNumber);
        QFETCH(QString, path);
        QFETCH(int, code);
        QFETCH(QString, message);
        const EInOutError error = InOutErrorFor(errorNumber, path.toStdString());
        QCOMPARE(error.ErrorCode(), code);
        QCOMPARE(QString::fromStdString(error.Message()), message);
    }
};

}  // namespace tessaro::test

TESSARO_UI_TEST_MAIN(SelectDirDlgTest)

#include "SelectDirDlgTest.moc"
