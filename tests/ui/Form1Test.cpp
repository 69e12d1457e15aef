// The main window: its design, a run, errors from Start and from ticks,
// switching the format mid-run, and the choosers it opens.

#include <QColorDialog>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QFontDialog>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>
#include <filesystem>
#include <fstream>

#include "UiTestSupport.h"
#include "imaging/TJPEGImage.h"
#include "ui/FontConversion.h"
#include "ui/Form1.h"

namespace tessaro::test {
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

bool PreviewIsWhite(const TForm1& form, QSize size)
{
    const QImage preview = form.mainscreen->pixmap().toImage();
    QImage white(size, preview.format());
    white.fill(Qt::white);
    return preview == white;
}

// The chooser's result: a family, a size in points, a weight and the effects.
struct ChosenFontRow {
    QString Family;
    int Points;
    QFont::Weight Weight;
    TFontStyles Effects;
    QString Name;
    int Height;
    std::uint8_t Charset;
    TFontStyles Style;
};

}  // namespace
}  // namespace tessaro::test

Q_DECLARE_METATYPE(tessaro::test::ChosenFontRow)

namespace tessaro::test {

class Form1Test : public QObject {
    Q_OBJECT
private slots:
    void WindowDefaults()
    {
        TForm1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        // Labels grow to their text from the design size.
        const struct {
            const char* Name;
            QRect Place;
            const char* Text;
        } design[] = {
            {"Label1", {8, 8, 43, 12}, "Text file"},   {"Edit1", {8, 24, 345, 20}, ""},
            {"SpeedButton1", {352, 24, 23, 22}, ""},  {"Label2", {8, 48, 93, 12}, "Background JPEG"},
            {"Edit2", {8, 64, 345, 20}, ""},          {"SpeedButton2", {352, 64, 23, 22}, ""},
            {"Label3", {8, 88, 30, 12}, "Prefix"},    {"Edit3", {8, 104, 81, 20}, "book"},
            {"Label4", {96, 88, 51, 12}, "Output dir"}, {"Edit4", {96, 104, 257, 20}, ""},
            {"SpeedButton3", {352, 104, 23, 22}, ""}, {"BitBtn1", {384, 8, 105, 17}, "Font"},
            {"RadioGroup1", {384, 32, 105, 57}, "Size"}, {"RadioButton1", {392, 48, 73, 17}, "PSP"},
            {"RadioButton2", {392, 64, 73, 17}, "QVGA"}, {"Button1", {384, 96, 105, 33}, "Start"},
            {"Bevel1", {8, 129, 489, 7}, ""},         {"ScrollBox1", {8, 140, 484, 276}, ""},
            {"mainscreen", {0, 0, 480, 272}, ""},
        };
        for (const auto& [name, place, text] : design) {
            auto* control = form.findChild<QWidget*>(QString::fromLatin1(name));
            QVERIFY2(control != nullptr, name);
            const QSize size = qobject_cast<QLabel*>(control) ? place.size().expandedTo(control->sizeHint()) : place.size();
            QCOMPARE(control->geometry(), QRect(place.topLeft(), size));
            QCOMPARE(control->property(qobject_cast<QGroupBox*>(control) ? "title" : "text").toString(), text);
        }
        // Tab order over the window's own controls; the browse buttons take no focus.
        QStringList chain;
        for (QWidget* widget = form.Edit1; chain.size() < 9; widget = widget->nextInFocusChain()) {
            if (widget->parentWidget() == &form && widget->focusPolicy() != Qt::NoFocus)
                chain << widget->objectName();
        }
        QCOMPARE(chain, QString("Edit1 Edit2 Edit3 Edit4 ScrollBox1 RadioButton1 RadioButton2 Button1 BitBtn1").split(' '));

        QCOMPARE(form.windowTitle(), QStringLiteral("Tessaro"));
        QCOMPARE(form.size(), QSize(500, 424));
        QCOMPARE(form.minimumSize(), form.maximumSize());
        QVERIFY(!(form.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QVERIFY(form.RadioButton1->isChecked() && !form.RadioButton2->isChecked());
        QVERIFY(RunEnded(form));
        QCOMPARE(form.Timer1.Interval(), 10);
        const TFont& font = form.FontDialog1.Font;
        QCOMPARE(QString::fromStdString(font.Name()), QStringLiteral("ＭＳ Ｐゴシック"));
        QVERIFY(font.Height() == -12 && font.Charset() == SHIFTJIS_CHARSET && font.Style() == 0);
        // A white PSP page exactly fills the preview, without scroll bars.
        QVERIFY(PreviewIsWhite(form, {480, 272}));
        QCOMPARE(form.ScrollBox1->viewport()->size(), QSize(480, 272));
        QVERIFY(!form.ScrollBox1->verticalScrollBar()->isVisible() && !form.ScrollBox1->horizontalScrollBar()->isVisible());
    }

    void MissingTextFileShowsOneBox()
    {
        ScratchDir scratch;
        TForm1 form;
        ModalDriver driver;
        form.Edit1->setText(scratch.Q("missing.txt"));
        QTest::mouseClick(form.Button1, Qt::LeftButton);
        QTest::qWait(50);
        const QString text = QStringLiteral("ファイル %1 は開けません.").arg(scratch.Q("missing.txt"));
        QCOMPARE(driver.Boxes, QStringList{ErrorBox(text)});
        QVERIFY(RunEnded(form));
    }

    // The first run's pages fail while the output directory is missing; it
    // appears while the third box is open, each box staying open while ticks
    // fall due. A failed page keeps its number.
    void FailingTicksShowOneBoxAtATime()
    {
        ScratchDir scratch;
        std::ofstream(scratch.File("long.txt")) << std::string(150, '\n');
        TForm1 form;
        form.show();
        form.Edit1->setText(QStringLiteral("long.txt"));
        form.Edit4->setText(scratch.Q("out"));
        ModalDriver driver;
        bool timerOn = true;
        for (int box = 1; box <= 3; ++box) {
            driver.Then([&, box](QWidget* modal) {
                timerOn = timerOn && form.Timer1.Timer().isActive();
                if (box == 3)
                    std::filesystem::create_directory(scratch.File("out"));
                QTimer::singleShot(60, modal, [modal] { ModalDriver::DefaultAnswer(modal); });
            });
        }
        QTest::mouseClick(form.Button1, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(RunEnded(form), 20000);
        const QString text = QStringLiteral("ファイル %1 を作成できません.").arg(scratch.Q("out/book000001.jpg"));
        QCOMPARE(driver.Boxes, QStringList(3, ErrorBox(text)));
        QVERIFY(timerOn);
        QCOMPARE(JpegSize(scratch.File("out/book000001.jpg")), QSize(480, 272));
        QVERIFY(std::filesystem::exists(scratch.File("out/book000002.jpg")));
    }

    // Ticks by hand, with no event loop between them, to change settings between pages.
    void SettingsChangedMidRunTakeEffectOnTheNextPage()
    {
        ScratchDir scratch;
        std::ofstream(scratch.File("long.txt")) << std::string(150, '\n');
        TForm1 form;
        form.show();
        ModalDriver driver;
        QTest::keyClicks(form.Edit1, QStringLiteral("long.txt"));
        QTest::mouseClick(form.Button1, Qt::LeftButton);
        QVERIFY(!form.Button1->isEnabled() && !form.BitBtn1->isEnabled() && form.Timer1.Enabled());
        form.Timer1Timer();
        QCOMPARE(JpegSize(scratch.File("book000001.jpg")), QSize(480, 272));
        QVERIFY(!PreviewIsWhite(form, {480, 272}));

        QTest::mouseClick(form.RadioButton2, Qt::LeftButton);
        QVERIFY(!form.RadioButton1->isChecked());
        form.Edit3->setText(QStringLiteral("late"));
        form.Timer1Timer();
        QCOMPARE(JpegSize(scratch.File("late000002.jpg")), QSize(240, 320));
        QCOMPARE(form.mainscreen->size(), QSize(240, 320));
        QVERIFY(!PreviewIsWhite(form, {240, 320}));
        QCoreApplication::sendPostedEvents();
        QVERIFY(form.ScrollBox1->verticalScrollBar()->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(RunEnded(form), 20000);
        QVERIFY(driver.Boxes.isEmpty());
    }

    // The run font starts as "before", Shift_JIS; the chooser opened on "opened".
    void ChosenFontTakenIntoTheRunFont_data()
    {
        const QString japanese = QFontInfo(QFont(QStringLiteral("IPAGothic"))).family();
        QTest::addColumn<ChosenFontRow>("row");
        QTest::newRow("same family in other case, 11 pt rounds up")
            << ChosenFontRow{"OPENED", 11, QFont::Normal, fsItalic, "before", -15, SHIFTJIS_CHARSET, fsItalic};
        QTest::newRow("Japanese family, 10 pt rounds down, medium is bold") << ChosenFontRow{
            japanese, 10, QFont::Medium, fsUnderline, japanese, -13, SHIFTJIS_CHARSET, fsUnderline | fsBold};
        QTest::newRow("western family") << ChosenFontRow{"DejaVu Serif", 12, QFont::Bold, fsStrikeOut, "DejaVu Serif",
                                                         -16, DEFAULT_CHARSET, fsStrikeOut | fsBold};
        QTest::newRow("name cut at 31 bytes")
            << ChosenFontRow{QString(40, 'a'), 9, QFont::Normal, 0, QString(31, 'a'), -12, DEFAULT_CHARSET, 0};
        // Eleven three-byte characters: the eleventh would end at byte 33.
        QTest::newRow("no half character") << ChosenFontRow{"あいうえおかきくけこさ", 9, QFont::Light, 0,
                                                            "あいうえおかきくけこ", -12, DEFAULT_CHARSET, 0};
    }
    void ChosenFontTakenIntoTheRunFont()
    {
        QFETCH(ChosenFontRow, row);
        TFont font;
        font.SetName("before");
        font.SetCharset(SHIFTJIS_CHARSET);
        QFont chosen(row.Family, row.Points, row.Weight);
        chosen.setItalic(row.Effects & fsItalic);
        chosen.setUnderline(row.Effects & fsUnderline);
        chosen.setStrikeOut(row.Effects & fsStrikeOut);
        ApplyChosenFont(font, chosen, QStringLiteral("opened"), std::nullopt);
        QCOMPARE(QString::fromStdString(font.Name()), row.Name);
        QCOMPARE(font.Height(), row.Height);
        QCOMPARE(font.Charset(), row.Charset);
        QCOMPARE(font.Style(), row.Style);
    }

    // Both times the chooser opens on the installed family the window font
    // stands for, in points, and 12 pt IPAGothic in red is picked.
    void FontChooserKeepsOnlyAnAcceptedChoice()
    {
        TForm1 form;
        ModalDriver driver;
        const QString picked = QFontInfo(QFont(QStringLiteral("IPAGothic"))).family();
        const TFont& font = form.FontDialog1.Font;
        for (const bool accept : {false, true}) {
            driver.Then([&](QWidget* modal) {
                auto* dialog = qobject_cast<TFontChooserDialog*>(modal);
                QCOMPARE(dialog->OpenedFamily(), QFontInfo(QFont(QStringLiteral("IPAPGothic"))).family());
                QCOMPARE(dialog->SelectedFont().pointSize(), 9);
                dialog->FontBox()->setCurrentFont(QFont(picked, 12));
                dialog->ColorButton()->click();
                accept ? dialog->accept() : dialog->reject();
            });
            driver.Then([](QWidget* modal) {
                qobject_cast<QColorDialog*>(modal)->setCurrentColor(Qt::red);
                qobject_cast<QColorDialog*>(modal)->accept();
            });
            QTest::mouseClick(form.BitBtn1, Qt::LeftButton);
            QCOMPARE(form.Run().ChosenFont(), accept ? &font : nullptr);
            QCOMPARE(QString::fromStdString(font.Name()), accept ? picked : QStringLiteral("ＭＳ Ｐゴシック"));
            QCOMPARE(font.Height(), accept ? -16 : -12);
            QCOMPARE(font.Color(), accept ? TColor(0x0000FF) : clWindowText);
        }
    }

    // The second opening starts on the first one's file and directory.
    void FileChooserIsSharedAndChangesDirectory()
    {
        ScratchDir scratch;
        std::filesystem::create_directory(scratch.File("books"));
        for (const char* name : {"books/A.JPG", "books/b.jpg", "books/c.txt"})
            std::ofstream(scratch.File(name)) << "x";
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
            // The JPEG filter lists both spellings of the extension, nothing else.
            auto* model = chooser->findChild<QFileSystemModel*>();
            QTRY_COMPARE(model->rowCount(model->index(scratch.Q("books"))), 2);
            Type(QStringLiteral("A.JPG"))(modal);
        });
        QTest::mouseClick(form.SpeedButton1, Qt::LeftButton);
        QCOMPARE(form.Edit1->text(), scratch.Q("books/not-yet.txt"));
        QCOMPARE(CurrentDir(), scratch.File("books"));
        QTest::mouseClick(form.SpeedButton2, Qt::LeftButton);
        QCOMPARE(form.Edit2->text(), scratch.Q("books/A.JPG"));
        QCOMPARE(seen, (QStringList{"text files (*)", "JPEG files (*.jpg) (*.JPG)", scratch.Q("books/not-yet.txt")}));
    }

    // The question whether to create it takes the default answer, yes.
    void DirectoryChooserFillsOutputDir()
    {
        ScratchDir scratch;
        TForm1 form;
        ModalDriver driver;
        driver.Then(Type(scratch.Q("pages/new")));
        QTest::mouseClick(form.SpeedButton3, Qt::LeftButton);
        QCOMPARE(form.Edit4->text(), scratch.Q("pages/new"));
        QVERIFY(DirectoryExists(scratch.File("pages/new")));
    }
};

}  // namespace tessaro::test

TESSARO_UI_TEST_MAIN(Form1Test)

#include "Form1Test.moc"
