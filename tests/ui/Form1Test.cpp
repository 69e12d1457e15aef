// The main window: its design defaults, a run from Start to the end, errors
// from Start and from ticks, changing the format mid-run, and the choosers it
// opens.

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QFontDialog>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>
#include <filesystem>

#include "UiTestSupport.h"
#include "imaging/TJPEGImage.h"
#include "ui/DirectoryOps.h"
#include "ui/FontConversion.h"
#include "ui/FontDialog.h"
#include "ui/Form1.h"
#include "ui/SelectDirDlg.h"

using namespace tessaro;
using tessaro::uitest::ModalDriver;
using tessaro::uitest::ScratchDir;

namespace {

QSize JpegSize(const std::string& path)
{
    TJPEGImage jpeg;
    jpeg.LoadJpeg(path);
    return {jpeg.Width(), jpeg.Height()};
}

bool RunEnded(const TForm1& form)
{
    return form.Button1->isEnabled() && form.BitBtn1->isEnabled() && !form.Timer1.Enabled();
}

// Types a name into the chooser's file-name box and confirms it.
void TypeFileName(QFileDialog* chooser, const QString& name)
{
    auto* edit = chooser->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    QVERIFY(edit != nullptr);
    edit->setText(name);
    static_cast<QDialog*>(chooser)->accept();
}

QImage Preview(const TForm1& form)
{
    return form.mainscreen->pixmap().toImage();
}

}  // namespace

class Form1Test : public QObject {
    Q_OBJECT
private slots:
    void ControlsAtTheirDesignPlaces_data();
    void ControlsAtTheirDesignPlaces();
    void WindowDefaults();
    void RunOfAThreeLineFile();
    void MissingTextFileShowsOneBox();
    void MissingOutputDirectoryFailsTicksOneBoxAtATime();
    void SwitchingToQvgaMidRun();
    void FontChooserResult_data();
    void FontChooserResult();
    void WeightAboveNormalIsBold_data();
    void WeightAboveNormalIsBold();
    void FamilyNamesKeepWholeCharacters_data();
    void FamilyNamesKeepWholeCharacters();
    void FileChooserIsSharedAndChangesDirectory();
    void DirectoryChooserFillsOutputDir();
};

void Form1Test::ControlsAtTheirDesignPlaces_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("text");
    QTest::newRow("Edit1") << "Edit1" << QRect(8, 24, 345, 20) << "";
    QTest::newRow("SpeedButton1") << "SpeedButton1" << QRect(352, 24, 23, 22) << "";
    QTest::newRow("Edit2") << "Edit2" << QRect(8, 64, 345, 20) << "";
    QTest::newRow("SpeedButton2") << "SpeedButton2" << QRect(352, 64, 23, 22) << "";
    QTest::newRow("Edit3") << "Edit3" << QRect(8, 104, 81, 20) << "book";
    QTest::newRow("Edit4") << "Edit4" << QRect(96, 104, 257, 20) << "";
    QTest::newRow("SpeedButton3") << "SpeedButton3" << QRect(352, 104, 23, 22) << "";
    QTest::newRow("BitBtn1") << "BitBtn1" << QRect(384, 8, 105, 17) << "Font";
    QTest::newRow("RadioGroup1") << "RadioGroup1" << QRect(384, 32, 105, 57) << "Size";
    QTest::newRow("RadioButton1") << "RadioButton1" << QRect(392, 48, 73, 17) << "PSP";
    QTest::newRow("RadioButton2") << "RadioButton2" << QRect(392, 64, 73, 17) << "QVGA";
    QTest::newRow("Button1") << "Button1" << QRect(384, 96, 105, 33) << "Start";
    QTest::newRow("Bevel1") << "Bevel1" << QRect(8, 129, 489, 7) << "";
    QTest::newRow("ScrollBox1") << "ScrollBox1" << QRect(8, 140, 484, 276) << "";
    QTest::newRow("mainscreen") << "mainscreen" << QRect(0, 0, 480, 272) << "";
}

void Form1Test::ControlsAtTheirDesignPlaces()
{
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    QFETCH(QString, text);
    TForm1 form;
    auto* control = form.findChild<QWidget*>(name);
    QVERIFY(control != nullptr);
    QCOMPARE(control->geometry(), geometry);
    QCOMPARE(control->property(qobject_cast<QGroupBox*>(control) ? "title" : "text").toString(), text);
}

void Form1Test::WindowDefaults()
{
    TForm1 form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    QCOMPARE(form.objectName(), QStringLiteral("Form1"));
    QCOMPARE(form.windowTitle(), QStringLiteral("Tessaro"));
    QCOMPARE(form.size(), QSize(500, 424));
    QCOMPARE(form.minimumSize(), form.maximumSize());
    QVERIFY(!(form.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    QVERIFY(form.windowFlags() & Qt::WindowCloseButtonHint);

    // Labels keep their design places.
    for (const auto& [label, place] : {std::pair{form.Label1, QPoint(8, 8)}, {form.Label2, QPoint(8, 48)},
                                       {form.Label3, QPoint(8, 88)}, {form.Label4, QPoint(96, 88)}})
        QCOMPARE(label->pos(), place);
    QCOMPARE(form.Label2->text(), QStringLiteral("Background JPEG"));

    QVERIFY(form.RadioButton1->isChecked());
    QVERIFY(!form.RadioButton2->isChecked());
    QVERIFY(form.Button1->isEnabled() && form.BitBtn1->isEnabled());
    QVERIFY(!form.Timer1.Enabled());
    QCOMPARE(form.Timer1.Interval(), 10);
    QVERIFY(form.Run().ChosenFont() == nullptr);
    QCOMPARE(QString::fromStdString(form.FontDialog1.Font.Name()), QStringLiteral("ＭＳ Ｐゴシック"));
    QCOMPARE(form.FontDialog1.Font.Height(), -12);
    QCOMPARE(int(form.FontDialog1.Font.Charset()), int(SHIFTJIS_CHARSET));
    QCOMPARE(form.FontDialog1.Font.Style(), TFontStyles(0));

    // A white 480x272 preview exactly filling the scroll box.
    const QImage preview = Preview(form);
    QCOMPARE(preview.size(), QSize(480, 272));
    for (const QPoint corner : {QPoint(0, 0), QPoint(479, 0), QPoint(0, 271), QPoint(479, 271), QPoint(240, 136)})
        QCOMPARE(preview.pixel(corner), qRgb(255, 255, 255));
    QCOMPARE(form.ScrollBox1->viewport()->size(), QSize(480, 272));
    QVERIFY(!form.ScrollBox1->verticalScrollBar()->isVisible());
    QVERIFY(!form.ScrollBox1->horizontalScrollBar()->isVisible());

    // Tab order over the controls that take focus.
    const QList<QWidget*> order = {form.Edit1,        form.Edit2,        form.Edit3,   form.Edit4,  form.ScrollBox1,
                                   form.RadioButton1, form.RadioButton2, form.Button1, form.BitBtn1};
    for (qsizetype i = 1; i < order.size(); ++i) {
        QWidget* next = order[i - 1]->nextInFocusChain();
        while (next->focusPolicy() == Qt::NoFocus || !order.contains(next))
            next = next->nextInFocusChain();
        QCOMPARE(next->objectName(), order[i]->objectName());
    }
    QCOMPARE(form.SpeedButton1->focusPolicy(), Qt::NoFocus);
}

void Form1Test::RunOfAThreeLineFile()
{
    ScratchDir scratch;
    uitest::WriteFile(scratch.File("three.txt"), "one\ntwo\nthree\n");
    TForm1 form;
    form.show();
    ModalDriver driver;
    QTest::keyClicks(form.Edit1, QStringLiteral("three.txt"));
    QTest::mouseClick(form.Button1, Qt::LeftButton);
    QVERIFY(!form.Button1->isEnabled());
    QVERIFY(!form.BitBtn1->isEnabled());
    QVERIFY(form.Timer1.Enabled());

    QTRY_VERIFY_WITH_TIMEOUT(RunEnded(form), 10000);
    QVERIFY(driver.Boxes().empty());
    QCOMPARE(JpegSize(scratch.File("book000001.jpg")), QSize(480, 272));
    QVERIFY(!std::filesystem::exists(scratch.File("book000002.jpg")));
    QCOMPARE(form.Run().PageCounter(), 2);
    // The preview holds the page: the text left dark pixels on white.
    const QImage preview = Preview(form);
    QCOMPARE(preview.size(), QSize(480, 272));
    bool inked = false;
    for (int y = 0; y < 60 && !inked; ++y) {
        for (int x = 0; x < 200 && !inked; ++x)
            inked = qGray(preview.pixel(x, y)) < 128;
    }
    QVERIFY(inked);
}

void Form1Test::MissingTextFileShowsOneBox()
{
    ScratchDir scratch;
    TForm1 form;
    form.show();
    ModalDriver driver;
    const QString name = QString::fromStdString(scratch.File("missing.txt"));
    form.Edit1->setText(name);
    QTest::mouseClick(form.Button1, Qt::LeftButton);

    QCOMPARE(driver.Boxes().size(), std::size_t(1));
    QCOMPARE(driver.Boxes().front().Text, QStringLiteral("ファイル %1 は開けません.").arg(name));
    QCOMPARE(driver.Boxes().front().Buttons, QStringList{QStringLiteral("OK")});
    QVERIFY(form.Button1->isEnabled());
    QVERIFY(form.BitBtn1->isEnabled());
    QVERIFY(!form.Timer1.Enabled());
    QTest::qWait(50);
    QCOMPARE(driver.Boxes().size(), std::size_t(1));
}

void Form1Test::MissingOutputDirectoryFailsTicksOneBoxAtATime()
{
    ScratchDir scratch;
    uitest::WriteFile(scratch.File("long.txt"), uitest::NumberedLines(150));
    const std::string out = scratch.File("out");
    TForm1 form;
    form.show();
    form.Edit1->setText(QStringLiteral("long.txt"));
    form.Edit4->setText(QString::fromStdString(out));

    ModalDriver driver;
    bool timerOnDuringBoxes = true;
    // Each box stays open a while so that ticks fall due meanwhile; the third
    // one is answered after the directory has been made.
    driver.AnswerBoxes(QStringLiteral("OK"), 60, [&](const uitest::SeenBox&) {
        timerOnDuringBoxes = timerOnDuringBoxes && form.Timer1.Enabled() && form.Timer1.Timer().isActive();
        if (driver.Boxes().size() == 3)
            std::filesystem::create_directory(out);
    });
    QTest::mouseClick(form.Button1, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(RunEnded(form), 20000);

    QCOMPARE(driver.Boxes().size(), std::size_t(3));
    QCOMPARE(driver.MaxOpenBoxes(), 1);
    QVERIFY(timerOnDuringBoxes);
    for (const auto& box : driver.Boxes()) {
        QVERIFY2(box.Text.startsWith(QStringLiteral("ファイル ")), qPrintable(box.Text));
        QVERIFY2(box.Text.endsWith(QStringLiteral("を作成できません.")), qPrintable(box.Text));
    }
    // Failed pages kept their number, so the pages written once the directory
    // existed start again at 1.
    QCOMPARE(JpegSize(out + "/book000001.jpg"), QSize(480, 272));
    QVERIFY(std::filesystem::exists(out + "/book000002.jpg"));
}

void Form1Test::SwitchingToQvgaMidRun()
{
    ScratchDir scratch;
    uitest::WriteFile(scratch.File("long.txt"), uitest::NumberedLines(150));
    TForm1 form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    ModalDriver driver;
    form.Edit1->setText(QStringLiteral("long.txt"));
    form.Button1Click();
    // Ticks by hand, with no event loop between them, to switch after page 1.
    form.Timer1Timer();
    QCOMPARE(JpegSize(scratch.File("book000001.jpg")), QSize(480, 272));
    QVERIFY(!form.ScrollBox1->verticalScrollBar()->isVisible());

    QTest::mouseClick(form.RadioButton2, Qt::LeftButton);
    QVERIFY(form.RadioButton2->isChecked() && !form.RadioButton1->isChecked());
    form.Timer1Timer();
    QCOMPARE(JpegSize(scratch.File("book000002.jpg")), QSize(240, 320));
    QCOMPARE(form.mainscreen->size(), QSize(240, 320));
    QCOMPARE(Preview(form).size(), QSize(240, 320));
    // Lay out the scroll box without running the timer.
    QCoreApplication::sendPostedEvents();
    QVERIFY(form.ScrollBox1->verticalScrollBar()->isVisible());
    QVERIFY(form.ScrollBox1->verticalScrollBar()->maximum() > 0);

    form.Edit3->setText(QStringLiteral("late"));
    form.Timer1Timer();
    QCOMPARE(JpegSize(scratch.File("late000003.jpg")), QSize(240, 320));
    QTRY_VERIFY_WITH_TIMEOUT(RunEnded(form), 20000);
    QVERIFY(driver.Boxes().empty());
}

void Form1Test::FontChooserResult_data()
{
    QTest::addColumn<bool>("accept");
    QTest::addColumn<QString>("family");
    QTest::addColumn<int>("points");
    QTest::addColumn<bool>("boldItalic");
    QTest::addColumn<bool>("effects");
    QTest::addColumn<bool>("pickColor");
    QTest::addColumn<bool>("renamed");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("charset");
    QTest::addColumn<int>("color");
    QTest::newRow("Japanese family, effects, red")
        << true << "IPAGothic" << 12 << false << true << true << true << -16 << int(fsUnderline | fsStrikeOut)
        << int(SHIFTJIS_CHARSET) << 0x0000FF;
    QTest::newRow("western family, bold italic")
        << true << "DejaVu Serif" << 9 << true << false << false << true << -12 << int(fsBold | fsItalic)
        << int(DEFAULT_CHARSET) << int(clWindowText);
    QTest::newRow("same family keeps name and character set")
        << true << "" << 10 << false << false << false << false << -13 << 0 << int(SHIFTJIS_CHARSET)
        << int(clWindowText);
    QTest::newRow("cancel changes nothing") << false << "IPAMincho" << 20 << false << true << true << false << -12
                                            << 0 << int(SHIFTJIS_CHARSET) << int(clWindowText);
}

void Form1Test::FontChooserResult()
{
    QFETCH(bool, accept);
    QFETCH(QString, family);
    QFETCH(int, points);
    QFETCH(bool, boldItalic);
    QFETCH(bool, effects);
    QFETCH(bool, pickColor);
    QFETCH(bool, renamed);
    QFETCH(int, height);
    QFETCH(int, style);
    QFETCH(int, charset);
    QFETCH(int, color);
    if (!family.isEmpty() && !QFontDatabase::hasFamily(family))
        QSKIP("font family not installed");

    TForm1 form;
    ModalDriver driver;
    QString openedWith;
    QString picked;
    driver.Then([&](QWidget* modal) {
        auto* dialog = qobject_cast<TFontChooserDialog*>(modal);
        QVERIFY(dialog != nullptr);
        openedWith = dialog->OpenedFamily();
        QFont font(family.isEmpty() ? dialog->SelectedFont().family() : QFontInfo(QFont(family)).family(), points);
        font.setBold(boldItalic);
        font.setItalic(boldItalic);
        font.setUnderline(effects);
        font.setStrikeOut(effects);
        dialog->FontBox()->setCurrentFont(font);
        picked = dialog->SelectedFont().family();
        if (pickColor)
            dialog->ColorButton()->click();
        accept ? dialog->accept() : dialog->reject();
    });
    if (pickColor) {
        driver.Then([](QWidget* modal) {
            auto* colors = qobject_cast<QColorDialog*>(modal);
            QVERIFY(colors != nullptr);
            colors->setCurrentColor(Qt::red);
            colors->accept();
        });
    }
    QTest::mouseClick(form.BitBtn1, Qt::LeftButton);
    QVERIFY(driver.AllStepsTaken());

    // The chooser opens on the installed family the design font stands for.
    QCOMPARE(openedWith, QFontInfo(QFont(QStringLiteral("IPAPGothic"))).family());
    QCOMPARE(form.Run().ChosenFont(), accept ? &form.FontDialog1.Font : nullptr);
    const TFont& font = form.FontDialog1.Font;
    QCOMPARE(QString::fromStdString(font.Name()), renamed ? picked : QStringLiteral("ＭＳ Ｐゴシック"));
    QCOMPARE(font.Height(), height);
    QCOMPARE(int(font.Style()), style);
    QCOMPARE(int(font.Charset()), charset);
    QCOMPARE(int(font.Color()), color);
}

void Form1Test::WeightAboveNormalIsBold_data()
{
    QTest::addColumn<int>("weight");
    QTest::addColumn<bool>("bold");
    QTest::newRow("light") << int(QFont::Light) << false;
    QTest::newRow("normal") << int(QFont::Normal) << false;
    QTest::newRow("medium") << int(QFont::Medium) << true;
    QTest::newRow("bold") << int(QFont::Bold) << true;
}

void Form1Test::WeightAboveNormalIsBold()
{
    QFETCH(int, weight);
    QFETCH(bool, bold);
    TFont font;
    QFont chosen(QStringLiteral("IPAGothic"), 9);
    chosen.setWeight(QFont::Weight(weight));
    ApplyChosenFont(font, chosen, QStringLiteral("IPAGothic"), std::nullopt);
    QCOMPARE((font.Style() & fsBold) != 0, bold);
}

void Form1Test::FamilyNamesKeepWholeCharacters_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<QString>("kept");
    QTest::newRow("short") << "IPA Pゴシック" << "IPA Pゴシック";
    QTest::newRow("ASCII cut at 31 bytes") << QString(40, QLatin1Char('a')) << QString(31, QLatin1Char('a'));
    // Eleven three-byte characters: the eleventh would end at byte 33.
    QTest::newRow("no half character") << "あいうえおかきくけこさ" << "あいうえおかきくけこ";
}

void Form1Test::FamilyNamesKeepWholeCharacters()
{
    QFETCH(QString, family);
    QFETCH(QString, kept);
    QCOMPARE(QString::fromStdString(Utf8Prefix(family, MaxFontNameBytes)), kept);
}

void Form1Test::FileChooserIsSharedAndChangesDirectory()
{
    ScratchDir scratch;
    std::filesystem::create_directory(scratch.File("books"));
    for (const char* name : {"books/A.JPG", "books/b.jpg", "books/c.txt"})
        uitest::WriteFile(scratch.File(name), "x");
    TForm1 form;
    ModalDriver driver;
    const QString typed = QString::fromStdString(scratch.File("books/not-yet.txt"));
    QStringList filters;
    QString prefilled;
    driver.Then([&](QWidget* modal) {
        auto* chooser = qobject_cast<QFileDialog*>(modal);
        filters << chooser->nameFilters();
        TypeFileName(chooser, typed);
    });
    driver.Then([&](QWidget* modal) {
        auto* chooser = qobject_cast<QFileDialog*>(modal);
        filters << chooser->nameFilters();
        prefilled = chooser->selectedFiles().value(0);
        // The JPEG filter lists both spellings of the extension, nothing else.
        auto* model = chooser->findChild<QFileSystemModel*>();
        QVERIFY(model != nullptr);
        const QModelIndex books = model->index(QString::fromStdString(scratch.File("books")));
        QTRY_COMPARE(model->rowCount(books), 2);
        TypeFileName(chooser, QStringLiteral("A.JPG"));
    });
    QTest::mouseClick(form.SpeedButton1, Qt::LeftButton);
    QCOMPARE(form.Edit1->text(), typed);
    QCOMPARE(uitest::CurrentDirectory(), scratch.File("books"));

    QTest::mouseClick(form.SpeedButton2, Qt::LeftButton);
    QCOMPARE(prefilled, typed);
    QCOMPARE(form.Edit2->text(), QString::fromStdString(scratch.File("books/A.JPG")));
    QCOMPARE(filters, (QStringList{"text files (*)", "JPEG files (*.jpg) (*.JPG)"}));
    QVERIFY(driver.AllStepsTaken());
}

void Form1Test::DirectoryChooserFillsOutputDir()
{
    ScratchDir scratch;
    TForm1 form;
    form.Edit4->setText(QStringLiteral("before"));
    ModalDriver driver;
    const QString typed = QString::fromStdString(scratch.File("pages/new"));
    driver.Then([&](QWidget* modal) {
        auto* chooser = qobject_cast<TSelectDirDlg*>(modal);
        chooser->DirEdit->setText(typed);
        chooser->OKButton->click();
    });
    QTest::mouseClick(form.SpeedButton3, Qt::LeftButton);
    QCOMPARE(form.Edit4->text(), typed);
    QVERIFY(DirectoryExists(typed.toStdString()));

    // An empty name cannot be created: the error box, and Edit4 unchanged.
    driver.Then([](QWidget* modal) {
        auto* chooser = qobject_cast<TSelectDirDlg*>(modal);
        chooser->DirEdit->clear();
        chooser->OKButton->click();
    });
    driver.Then([](QWidget* modal) {
        uitest::ClickBoxButton(qobject_cast<QMessageBox*>(modal), QStringLiteral("はい(&Y)"));
    });
    QTest::mouseClick(form.SpeedButton3, Qt::LeftButton);
    QCOMPARE(form.Edit4->text(), typed);
    QCOMPARE(driver.Boxes().back().Text, QStringLiteral("ディレクトリを作成できません."));
}

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    tessaro::uitest::StartUp();
    Form1Test test;
    return QTest::qExec(&test, argc, argv);
}

#include "Form1Test.moc"
