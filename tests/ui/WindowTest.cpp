// The window program's frame, main window and directory chooser, driven
// through their controls; a ModalDriver answers the modal windows they open.

#include <QTest>
#include <QtWidgets>
#include <zip.h>
#include <cerrno>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>

#include "app/Application.h"
#include "app/ErrorReporting.h"
#include "imaging/TJPEGImage.h"
#include "text/CodePageInfo.h"
#include "ui/DirectoryOps.h"
#include "ui/FontConversion.h"
#include "ui/Form1.h"
#include "ui/SelectDirDlg.h"

namespace tessaro::test {
namespace {

// "title, icon N: text; buttons", free of regular-expression operators.
QString BoxText(QMessageBox::Icon icon, const QString& title, const QString& text, const QStringList& buttons = {"OK"})
{
    return QStringLiteral("%1, icon %2: %3; %4").arg(title).arg(int(icon)).arg(text, buttons.join(' '));
}

QString ErrorBox(const QString& text)
{
    return BoxText(QMessageBox::Critical, QString::fromStdString(ApplicationTitle()), text);
}

// Answers modal dialogs from the event loop, so that a step may open one
// itself. Each one shown (a shared one again too) takes the next queued step;
// once the queue is empty, or a check has failed, it takes the default answer,
// so a test never hangs. Message boxes are recorded as BoxText gives them.
class ModalDriver : public QObject {
public:
    using Step = std::function<void(QWidget*)>;

    ModalDriver() { qApp->installEventFilter(this); }
    void Then(Step step) { steps_.push_back(std::move(step)); }

    // A message box's first button, Cancel for any other dialog.
    static void DefaultAnswer(QWidget* modal)
    {
        if (auto* box = qobject_cast<QMessageBox*>(modal))
            box->buttons().constFirst()->click();
        else
            qobject_cast<QDialog*>(modal)->reject();
    }

    QStringList Boxes;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* dialog = qobject_cast<QDialog*>(watched);
        if (event->type() == QEvent::Show && dialog != nullptr && dialog->isModal()) {
            QTimer::singleShot(0, this, [this, modal = QPointer<QDialog>(dialog)] {
                if (modal && modal->isVisible())
                    Handle(modal);
            });
        }
        return false;
    }

private:
    void Handle(QDialog* modal)
    {
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            QStringList buttons;
            for (QAbstractButton* button : box->buttons())
                buttons << button->text();
            Boxes << BoxText(box->icon(), box->windowTitle(), box->text(), buttons);
        }
        if (steps_.empty() || QTest::currentTestFailed())
            return DefaultAnswer(modal);
        const Step step = std::move(steps_.front());
        steps_.pop_front();
        step(modal);
        if (QTest::currentTestFailed() && modal->isVisible())
            DefaultAnswer(modal);
    }
    std::deque<Step> steps_;
};

// A step: types text into the file or directory name box and presses Enter.
ModalDriver::Step Type(const QString& text)
{
    return [text](QWidget* modal) {
        auto* edit = modal->findChild<QLineEdit*>();
        edit->setText(text);
        QTest::keyClick(edit, Qt::Key_Return);
    };
}

// A temporary directory, the current directory for the life of the object;
// Path is its real path, as the system reports the current directory.
struct ScratchDir : QTemporaryDir {
    ~ScratchDir() { ChangeDir("/"); }
    std::string File(const std::string& name) const { return Path + "/" + name; }
    QString Q(const std::string& name) const { return QString::fromStdString(File(name)); }
    const std::string Path = (ChangeDir(path().toStdString()), CurrentDir());
};

bool RunEnded(const TForm1& form)
{
    return form.Button1->isEnabled() && form.BitBtn1->isEnabled() && !form.Timer1.Timer().isActive();
}

bool PreviewIsWhite(const TForm1& form)
{
    QImage page = form.mainscreen->pixmap().toImage().convertToFormat(QImage::Format_RGB32);
    QImage white(page.size(), QImage::Format_RGB32);
    white.fill(Qt::white);
    return !page.isNull() && page == white;
}

QString FontText(const TFont& font)
{
    return QStringLiteral("%1 %2 px, charset %3, style %4, colour %5").arg(QString::fromStdString(font.Name()))
        .arg(font.Height()).arg(font.Charset()).arg(font.Style()).arg(std::uint32_t(font.Color()), 0, 16);
}

QString Entries(const QListWidget* list)
{
    QStringList texts;
    for (int row = 0; row < list->count(); ++row)
        texts << list->item(row)->text();
    return texts.join(' ');
}

// What is thrown, where, and the box as a pattern (none for EAbort).
struct ErrorRow { void (*Throw)(); bool AtStartUp; QString Box; };
// What the chooser opened on "opened" returned, and the window font after it.
struct ChosenFontRow { QString Family; int Points; QFont::Weight Weight; TFontStyles Effects; QString Font; };

}  // namespace

class WindowTest : public QObject {
    Q_OBJECT
private slots:
    // The program's start-up for a Japanese locale at 96 pixels per inch.
    void initTestCase()
    {
        InitCodePageInfo("ja_JP.UTF-8");
        InitScreenFont(96);
        InitJPEGDefaults(32);
        InstallFontSubstitutions();
    }

    void EachKindOfErrorIsShown_data()
    {
        const QString fallback = BoxText(QMessageBox::Critical, "アプリケーション エラー",
            "%1 がモジュール " + QString::fromStdString(ApplicationTitle()) + " の %2 で発生しました。\n%3\n");
        QTest::addColumn<ErrorRow>("row");
        QTest::newRow("EAbort is dropped") << ErrorRow{[] { throw EAbort("quiet"); }, false, ""};
        QTest::newRow("std::exception") << ErrorRow{[] { throw std::runtime_error("boom"); }, false,
                                                    fallback.arg("std::runtime_error", "0x[0-9a-f]+", "boom\\.")};
        QTest::newRow("not an exception class")
            << ErrorRow{[] { throw 7; }, false, fallback.arg("int", "\\(nil\\)", "")};
        QTest::newRow("Exception at start-up, with a period")
            << ErrorRow{[] { throw EFOpenError::ForFile("x"); }, true, ErrorBox("ファイル x は開けません\\.")};
        QTest::newRow("anything else at start-up has no text")
            << ErrorRow{[] { throw std::runtime_error("not ours"); }, true, ErrorBox("")};
    }
    void EachKindOfErrorIsShown()
    {
        QFETCH(ErrorRow, row);
        ModalDriver driver;
        if (row.AtStartUp)
            QCOMPARE(RunApplication(row.Throw, []() -> std::unique_ptr<QWidget> { throw Exception("made"); }), 0);
        else
            Guarded(row.Throw);
        QCOMPARE(driver.Boxes.size(), row.Box.isEmpty() ? 0 : 1);
        const QRegularExpression box(QRegularExpression::anchoredPattern(row.Box));
        QVERIFY2(row.Box.isEmpty() || box.match(driver.Boxes.value(0)).hasMatch(), qPrintable(driver.Boxes.value(0)));
    }

    // Labels grow from their design size to fit their text. The tab order is
    // checked end to end, by run-window-e2e.sh.
    void WindowDefaults()
    {
        TForm1 form;
        const struct { const char* Name; QRect Place; const char* Text; } design[] = {
            {"Label1", {8, 8, 43, 12}, "Text file"}, {"Edit1", {8, 24, 345, 20}, ""},
            {"SpeedButton1", {352, 24, 23, 22}, ""}, {"Label2", {8, 48, 93, 12}, "Background JPEG"},
            {"Edit2", {8, 64, 345, 20}, ""}, {"SpeedButton2", {352, 64, 23, 22}, ""},
            {"Label3", {8, 88, 30, 12}, "Prefix"}, {"Edit3", {8, 104, 81, 20}, "book"},
            {"Label4", {96, 88, 51, 12}, "Output dir"}, {"Edit4", {96, 104, 257, 20}, ""},
            {"SpeedButton3", {352, 104, 23, 22}, ""}, {"BitBtn1", {384, 8, 105, 17}, "Font"},
            {"RadioGroup1", {384, 32, 105, 57}, "Size"}, {"RadioButton1", {392, 48, 73, 17}, "PSP"},
            {"RadioButton2", {392, 64, 73, 17}, "QVGA"}, {"Button1", {384, 96, 105, 33}, "Start"},
            {"Bevel1", {8, 129, 489, 7}, ""}, {"ScrollBox1", {8, 140, 484, 276}, ""},
            {"mainscreen", {0, 0, 480, 272}, ""}, {"Label5", {500, 8, 40, 12}, "Style"},
            {"StyleBox", {500, 24, 112, 22}, ""}, {"Label6", {500, 48, 40, 12}, "Device"},
            {"DeviceBox", {500, 64, 112, 22}, ""}, {"Label7", {500, 88, 40, 12}, "Writing"},
            {"WritingBox", {500, 104, 112, 22}, ""}, {"Label8", {500, 128, 40, 12}, "Pack"},
            {"PackBox", {500, 144, 112, 22}, ""},
        };
        for (const auto& [name, place, text] : design) {
            auto* control = form.findChild<QWidget*>(name);
            const bool label = qobject_cast<QLabel*>(control) != nullptr;
            QCOMPARE(control->size(), label ? place.size().expandedTo(control->sizeHint()) : place.size());
            QCOMPARE(control->pos(), place.topLeft());
            QCOMPARE(control->property(qobject_cast<QGroupBox*>(control) ? "title" : "text").toString(), text);
        }
        QVERIFY(form.minimumSize() == QSize(620, 424) && form.maximumSize() == QSize(620, 424));
        QCOMPARE(form.StyleBox->currentText() + form.DeviceBox->currentText() + form.WritingBox->currentText() +
                     form.PackBox->currentText(),
                 "Classickindle-pwAutoNone");
        QVERIFY(form.RadioButton1->isChecked() && !form.RadioButton2->isChecked() && RunEnded(form));
        QCOMPARE(form.Timer1.Interval(), 10);
        QCOMPARE(FontText(form.FontDialog1.Font), "ＭＳ Ｐゴシック -12 px, charset 128, style 0, colour 80000008");
        QVERIFY(PreviewIsWhite(form));
        InstallQtTranslations();  // the suite runs under ja_JP
        QCOMPARE(QCoreApplication::translate("QFileDialog", "Look in:"), "アドレス:");
    }

    // Start on a missing text shows one box. Then a page fails while the
    // output directory is missing, which stops the run.
    void ErrorsFromStartAndFromTicksOneBoxAtATime()
    {
        ScratchDir scratch;
        TForm1 form;
        ModalDriver driver;
        form.Edit1->setText(scratch.Q("long.txt"));
        QTest::mouseClick(form.Button1, Qt::LeftButton);
        QCOMPARE(driver.Boxes, QStringList{ErrorBox("ファイル " + scratch.Q("long.txt") + " は開けません.")});
        QVERIFY(RunEnded(form));

        // A failed page stops the run; mended, Start begins again at page 1.
        std::ofstream(scratch.File("long.txt")) << std::string(150, '\n');
        form.Edit4->setText(scratch.Q("out"));
        QTest::mouseClick(form.Button1, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(driver.Boxes.size() == 2, 20000);
        QVERIFY(RunEnded(form) && form.windowTitle() == "Tessaro" && form.Button1->text() == "Start");
        QCOMPARE(driver.Boxes[1], ErrorBox("ファイル " + scratch.Q("out/book000001.jpg") + " を作成できません."));
        std::filesystem::create_directory(scratch.File("out"));
        QTest::keyClick(form.Edit3, Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(RunEnded(form), 20000);
        QVERIFY(std::filesystem::exists(scratch.File("out/book000008.jpg")) && driver.Boxes.size() == 2);
    }

    // Ticks by hand, with no event loop between them, to change settings
    // between pages: each tick reads them. No tick runs while an error box is open.
    void SettingsChangedMidRunTakeEffectOnTheNextPage()
    {
        ScratchDir scratch;
        std::ofstream(scratch.File("long.txt")) << std::string(150, '\n');
        TForm1 form;
        ModalDriver driver;
        QTest::keyClicks(form.Edit1, "long.txt");
        QTest::mouseClick(form.Button1, Qt::LeftButton);
        QVERIFY(form.Button1->text() == "Stop" && !form.BitBtn1->isEnabled() && form.Timer1.Enabled());
        form.Timer1Timer();
        QCOMPARE(form.windowTitle(), "Tessaro - page 1, 11%");
        QCOMPARE(QImageReader(scratch.Q("book000001.jpg")).size(), QSize(480, 272));
        QVERIFY(!PreviewIsWhite(form));
        QTest::mouseClick(form.RadioButton2, Qt::LeftButton);
        form.Edit3->setText("late");
        form.Timer1Timer();
        QCOMPARE(QImageReader(scratch.Q("late000002.jpg")).size(), QSize(240, 320));
        QCOMPARE(form.mainscreen->size(), QSize(240, 320));
        driver.Then([&](QWidget* box) {
            QTest::qWait(50);
            QCOMPARE(form.Run().PageCounter(), 3);
            ModalDriver::DefaultAnswer(box);
        });
        ReportException(Exception("no tick while this box is open"));
        QTest::mouseClick(form.Button1, Qt::LeftButton);
        QVERIFY(RunEnded(form) && !std::filesystem::exists(scratch.File("late000004.jpg")));
        QCOMPARE(driver.Boxes.size(), 1);
    }

    // A novel run writes the chosen device's pages and shows each whole,
    // scaled to the preview.
    void NovelStyleRunsForTheChosenDevice()
    {
        ScratchDir scratch;
        std::ofstream(scratch.File("novel.txt")) << "吾輩《わがはい》は猫である。\n";
        TForm1 form;
        form.Edit1->setText(scratch.Q("novel.txt"));
        QVERIFY(form.RadioButton2->isEnabled() && !form.DeviceBox->isEnabled() && !form.WritingBox->isEnabled());
        form.StyleBox->setCurrentText("Novel");
        QVERIFY(!form.RadioButton2->isEnabled() && !form.Edit2->isEnabled() && form.DeviceBox->isEnabled() &&
                form.WritingBox->isEnabled());
        form.DeviceBox->setCurrentText("xteink");
        QTest::mouseClick(form.Button1, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(RunEnded(form), 20000);
        QCOMPARE(QImageReader(scratch.Q("book000001.png")).size(), QSize(480, 800));
        QCOMPARE(form.mainscreen->size(), QSize(163, 272));
    }

    // A pack chosen at Start takes the book whole, named with the prefix of
    // that moment; a run stopped before the end leaves nothing.
    void PackChosenAtStartTakesTheWholeBook()
    {
        ScratchDir scratch;
        std::ofstream(scratch.File("long.txt")) << std::string(150, '\n');
        TForm1 form;
        form.Edit1->setText(scratch.Q("long.txt"));
        form.PackBox->setCurrentText("CBZ");
        QTest::mouseClick(form.Button1, Qt::LeftButton);
        form.Edit3->setText("late");
        form.Timer1Timer();
        QTest::mouseClick(form.Button1, Qt::LeftButton);
        const auto files = [] { return QDir().entryList(QDir::Files | QDir::Hidden).join(' '); };
        QCOMPARE(files(), "long.txt");
        QTest::mouseClick(form.Button1, Qt::LeftButton);
        form.Edit3->setText("later");
        QTRY_VERIFY_WITH_TIMEOUT(RunEnded(form), 20000);
        QCOMPARE(files(), "late.cbz long.txt");
        zip_t* archive = zip_open("late.cbz", ZIP_RDONLY, nullptr);
        QVERIFY(archive != nullptr);
        const auto last = zip_uint64_t(zip_get_num_entries(archive, 0) - 1);
        QCOMPARE(QString(zip_get_name(archive, 0, 0)) + " " + zip_get_name(archive, last, 0),
                 "late000001.jpg ComicInfo.xml");
        zip_discard(archive);
    }

    void ChosenFontTakenIntoTheRunFont_data()
    {
        const QString japanese = QFontInfo(QFont("IPAGothic")).family();
        QTest::addColumn<ChosenFontRow>("row");
        QTest::newRow("same family in other case, 11 pt rounds up")
            << ChosenFontRow{"OPENED", 11, QFont::Normal, fsItalic, "ＭＳ Ｐゴシック -15 px, charset 128, style 2"};
        QTest::newRow("Japanese family, 10 pt rounds down, medium is bold")
            << ChosenFontRow{japanese, 10, QFont::Medium, fsUnderline, japanese + " -13 px, charset 128, style 5"};
        QTest::newRow("unknown family cut at 31 bytes") << ChosenFontRow{
            QString(40, 'a'), 12, QFont::Normal, fsStrikeOut, QString(31, 'a') + " -16 px, charset 1, style 8"};
        // Sixteen two-byte characters of code page 932: the sixteenth would end at byte 32.
        QTest::newRow("no half character") << ChosenFontRow{"あいうえおかきくけこさしすせそた", 9, QFont::Light, 0,
                                                            "あいうえおかきくけこさしすせそ -12 px, charset 1, style 0"};
    }
    void ChosenFontTakenIntoTheRunFont()
    {
        QFETCH(ChosenFontRow, row);
        TFont font = TFontDialog().Font;
        QFont chosen(row.Family, row.Points, row.Weight, row.Effects & fsItalic);
        chosen.setUnderline(row.Effects & fsUnderline);
        chosen.setStrikeOut(row.Effects & fsStrikeOut);
        ApplyChosenFont(font, chosen, "opened", std::nullopt);
        QCOMPARE(FontText(font), row.Font + ", colour 80000008");
    }

    // Cancel (the default answer) keeps nothing. The chooser opens on the
    // installed family the window font stands for, in points; red is picked.
    void FontChooserKeepsOnlyAnAcceptedChoice()
    {
        TForm1 form;
        ModalDriver driver;
        QTest::mouseClick(form.BitBtn1, Qt::LeftButton);
        QVERIFY(form.ChosenFont() == nullptr);
        driver.Then([](QWidget* modal) {
            auto* dialog = qobject_cast<TFontChooserDialog*>(modal);
            QCOMPARE(dialog->OpenedFamily(), QFontInfo(QFont("IPAPGothic")).family());
            QCOMPARE(dialog->SelectedFont().pointSize(), 9);
            dialog->PickColor(Qt::red);
            dialog->accept();
        });
        QTest::mouseClick(form.BitBtn1, Qt::LeftButton);
        QCOMPARE(form.ChosenFont(), &form.FontDialog1.Font);
        QCOMPARE(FontText(form.FontDialog1.Font), "ＭＳ Ｐゴシック -12 px, charset 128, style 0, colour ff");
    }

    // The shared file chooser opens again on the file chosen first, in its
    // directory, now the current one. The JPEG filter takes both spellings of
    // the extension. A missing output directory is made after a yes.
    void ChoosersFillTheEditsAndChangeDirectory()
    {
        ScratchDir scratch;
        std::filesystem::create_directory(scratch.File("books"));
        TForm1 form;
        ModalDriver driver;
        QStringList seen;
        driver.Then([&](QWidget* modal) {
            seen << qobject_cast<QFileDialog*>(modal)->nameFilters();
            Type(scratch.Q("books/not-yet.txt"))(modal);
        });
        driver.Then([&](QWidget* modal) {
            auto* chooser = qobject_cast<QFileDialog*>(modal);
            seen << chooser->nameFilters() << chooser->selectedFiles();
            Type("A.JPG")(modal);
        });
        driver.Then(Type(scratch.Q("pages/new")));
        QTest::mouseClick(form.SpeedButton1, Qt::LeftButton);
        QCOMPARE(CurrentDir(), scratch.File("books"));
        QTest::mouseClick(form.SpeedButton2, Qt::LeftButton);
        QTest::mouseClick(form.SpeedButton3, Qt::LeftButton);
        QCOMPARE(seen, (QStringList{"text files (*)", "JPEG files (*.jpg) (*.JPG)", scratch.Q("books/not-yet.txt")}));
        QCOMPARE((QStringList{form.Edit1->text(), form.Edit2->text(), form.Edit4->text()}),
                 (QStringList{scratch.Q("books/not-yet.txt"), scratch.Q("books/A.JPG"), scratch.Q("pages/new")}));
        QVERIFY(DirectoryExists(scratch.File("pages/new")));
        const QString asked = QStringLiteral("指定されたディレクトリが存在しません。作成しますか？");
        QCOMPARE(driver.Boxes, QStringList{BoxText(QMessageBox::Question, "確認", asked, {"はい(&Y)", "いいえ(&N)"})});
    }

    // It lists the root, each ancestor, the current directory (selected) and
    // its subdirectories but hidden ones, ignoring case. One removed before it
    // is entered is reported. Cancel leaves the current directory where
    // browsing left it; the next opening starts there, and OK asks nothing.
    void DirectoryChooserBrowsingThenCancel()
    {
        ScratchDir scratch;
        for (const char* name : {"beta", "Alpha/gone", ".hidden"})
            std::filesystem::create_directories(scratch.File(name));
        for (const char* name : {"b.txt", "A.txt", ".secret"})
            std::ofstream(scratch.File(name)) << "x";
        ModalDriver driver;
        driver.Then([&](QWidget* modal) {
            auto* dialog = qobject_cast<TSelectDirDlg*>(modal);
            QCOMPARE(dialog->windowTitle(), "ディレクトリの選択");
            QCOMPARE(dialog->CancelButton->text(), "キャンセル");
            // Without help, OK and Cancel take its place on the right.
            QCOMPARE(dialog->OKButton->geometry(), QRect(256, 224, 77, 27));
            QCOMPARE(dialog->DirEdit->selectedText(), QString::fromStdString(scratch.Path));
            const QStringList ancestors = QString::fromStdString(scratch.Path).split('/');
            QCOMPARE(Entries(dialog->DirList), "/" + ancestors.join(' ') + " Alpha beta");
            QCOMPARE(dialog->DirList->currentRow(), ancestors.size() - 1);
            QCOMPARE(Entries(dialog->FileList), "A.txt b.txt");
            QVERIFY(dialog->DriveList->currentIndex() >= 0);
            const auto enter = [list = dialog->DirList](const char* entry) {  // Enter opens, and only opens
                list->setCurrentItem(list->findItems(entry, Qt::MatchExactly).value(0));
                QTest::keyClick(list, Qt::Key_Return);
                QVERIFY(list->window()->isVisible());
            };
            enter("Alpha");
            QCOMPARE(dialog->DirEdit->text(), scratch.Q("Alpha"));
            std::filesystem::remove(scratch.File("Alpha/gone"));
            enter("gone");
            QCOMPARE(dialog->DirList->Directory(), scratch.File("Alpha"));
            dialog->CancelButton->click();
        });
        std::string directory;
        QVERIFY(!ChooseDirectory(directory, sdAllowCreate | sdPerformCreate | sdPrompt, 0));
        QCOMPARE(CurrentDir(), scratch.File("Alpha"));
        driver.Then([](QWidget* modal) { qobject_cast<TSelectDirDlg*>(modal)->OKButton->click(); });
        QVERIFY(ChooseDirectory(directory, sdAllowCreate | sdPerformCreate | sdPrompt, 0));
        QCOMPARE(directory, scratch.File("Alpha"));
        QCOMPARE(driver.Boxes, QStringList{ErrorBox("ファイルが見つかりません.")});
    }

    // A missing name's code depends on whether its parent exists. A name
    // that is empty, or relative without an existing parent part, cannot be made.
    void DirectoryOperations()
    {
        for (const auto& [number, path, code, message] :
             {std::tuple{ENOENT, "/tmp", 2, "ファイルが見つかりません"}, {ENOENT, "/no/x", 3, "不正なファイル名です"},
              {ENOTDIR, "/x", 3, "不正なファイル名です"}, {EMFILE, "/x", 4, "オープンしたファイルが多すぎます"},
              {EACCES, "/x", 5, "ファイルへのアクセスが拒否されました"}, {EIO, "/x", EIO, "I/O エラー (5)"}}) {
            const EInOutError error = InOutErrorFor(number, path);
            QCOMPARE(error.ErrorCode(), code);
            QCOMPARE(error.Message(), message);
        }
        ScratchDir scratch;
        for (const char* name : {"", "new", "new/deeper"})
            QVERIFY_THROWS_EXCEPTION(Exception, ForceDirectories(name));
        std::filesystem::create_directory("here");
        ForceDirectories("here/a/b/");
        QVERIFY(DirectoryExists("here/a/b"));
    }
};

}  // namespace tessaro::test

QTEST_MAIN(tessaro::test::WindowTest)
#include "WindowTest.moc"
