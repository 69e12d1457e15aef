#include "ui/Form1.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QToolButton>
#include <algorithm>
#include <type_traits>

#include "app/ErrorReporting.h"
#include "novel/DeviceProfile.h"
#include "run/ClassicRun.h"
#include "ui/FontConversion.h"
#include "ui/Pictures.h"
#include "ui/SelectDirDlg.h"

namespace tessaro {

namespace {

// A line along the bottom edge, separating the settings from the preview.
class BottomLineBevel : public QFrame {
public:
    using QFrame::QFrame;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setPen(palette().color(QPalette::Dark));
        painter.drawLine(0, height() - 2, width() - 1, height() - 2);
        painter.setPen(palette().color(QPalette::Light));
        painter.drawLine(0, height() - 1, width() - 1, height() - 1);
    }
};

template <typename Object>
Object* Named(Object* object, const char* name)
{
    object->setObjectName(QString::fromLatin1(name));
    return object;
}

std::string Bytes(const QLineEdit* edit)
{
    return QFile::encodeName(edit->text()).toStdString();
}

// Labels size themselves to their text, as designed; the design size is the
// least they take.
QLabel* NewLabel(QWidget* parent, const char* name, const QString& text, const QRect& geometry)
{
    auto* label = Named(new QLabel(text, parent), name);
    const QSize hint = label->sizeHint();
    label->setGeometry(geometry.left(), geometry.top(), std::max(geometry.width(), hint.width()),
                       std::max(geometry.height(), hint.height()));
    return label;
}

QLineEdit* NewEdit(QWidget* parent, const QRect& geometry)
{
    auto* edit = new QLineEdit(parent);
    edit->setGeometry(geometry);
    return edit;
}

QToolButton* NewSpeedButton(QWidget* parent, const QIcon& picture, const QRect& geometry)
{
    auto* button = new QToolButton(parent);
    button->setIcon(picture);
    button->setIconSize(QSize(16, 16));
    button->setFocusPolicy(Qt::NoFocus);
    button->setGeometry(geometry);
    return button;
}

QComboBox* NewComboBox(QWidget* parent, const QStringList& items, const QRect& geometry)
{
    auto* box = new QComboBox(parent);
    box->addItems(items);
    box->setGeometry(geometry);
    return box;
}

template <typename Control>
Control* NewControl(QWidget* parent, const QString& caption, const QRect& geometry)
{
    auto* control = new Control(caption, parent);
    control->setGeometry(geometry);
    return control;
}

}  // namespace

TForm1::TForm1(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      run_(std::make_unique<ClassicRun>())
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Tessaro"));
    setFont(WidgetFont({"ＭＳ Ｐゴシック", -12, 0, SHIFTJIS_CHARSET, fpDefault}));
    // The classic design is 500 wide; the novel style's choices stand in a
    // column to its right.
    setFixedSize(620, 424);
    move(192, 114);

    CreateControls();
    SetTabOrder();
    ConnectHandlers();

    Timer1.SetInterval(10);
    Timer1.SetEnabled(false);
    Timer1.SetOnTimer([this] { Timer1Timer(); });
    ShowPage();
}

TForm1::~TForm1() = default;

void TForm1::CreateControls()
{
    Label1 = NewLabel(this, "Label1", QStringLiteral("Text file"), {8, 8, 43, 12});
    Edit1 = Named(NewEdit(this, {8, 24, 345, 20}), "Edit1");
    SpeedButton1 = Named(NewSpeedButton(this, OpenFolderIcon(true), {352, 24, 23, 22}), "SpeedButton1");
    Label2 = NewLabel(this, "Label2", QStringLiteral("Background JPEG"), {8, 48, 93, 12});
    Edit2 = Named(NewEdit(this, {8, 64, 345, 20}), "Edit2");
    SpeedButton2 = Named(NewSpeedButton(this, OpenFolderIcon(true), {352, 64, 23, 22}), "SpeedButton2");
    Label3 = NewLabel(this, "Label3", QStringLiteral("Prefix"), {8, 88, 30, 12});
    Edit3 = Named(NewEdit(this, {8, 104, 81, 20}), "Edit3");
    Edit3->setText(QStringLiteral("book"));
    Label4 = NewLabel(this, "Label4", QStringLiteral("Output dir"), {96, 88, 51, 12});
    Edit4 = Named(NewEdit(this, {96, 104, 257, 20}), "Edit4");
    SpeedButton3 = Named(NewSpeedButton(this, OpenFolderIcon(false), {352, 104, 23, 22}), "SpeedButton3");
    BitBtn1 = Named(NewControl<QPushButton>(this, QStringLiteral("Font"), {384, 8, 105, 17}), "BitBtn1");

    // The frame comes first so that the two radio buttons, siblings on the
    // window itself, lie over it; as siblings they exclude each other.
    RadioGroup1 = Named(NewControl<QGroupBox>(this, QStringLiteral("Size"), {384, 32, 105, 57}), "RadioGroup1");
    RadioButton1 = Named(NewControl<QRadioButton>(this, QStringLiteral("PSP"), {392, 48, 73, 17}), "RadioButton1");
    RadioButton1->setChecked(true);
    RadioButton2 = Named(NewControl<QRadioButton>(this, QStringLiteral("QVGA"), {392, 64, 73, 17}), "RadioButton2");
    Button1 = Named(NewControl<QPushButton>(this, QStringLiteral("Start"), {384, 96, 105, 33}), "Button1");

    Label5 = NewLabel(this, "Label5", QStringLiteral("Style"), {500, 8, 40, 12});
    StyleBox = Named(NewComboBox(this, {QStringLiteral("Classic"), QStringLiteral("Novel")}, {500, 24, 112, 22}),
                     "StyleBox");
    Label6 = NewLabel(this, "Label6", QStringLiteral("Device"), {500, 48, 40, 12});
    QStringList devices;
    for (const std::string& name : novel::DeviceNames())
        devices << QString::fromStdString(name);
    DeviceBox = Named(NewComboBox(this, devices, {500, 64, 112, 22}), "DeviceBox");
    DeviceBox->setCurrentText(QStringLiteral("kindle-pw"));
    Label7 = NewLabel(this, "Label7", QStringLiteral("Writing"), {500, 88, 40, 12});
    WritingBox = Named(
        NewComboBox(this, {QStringLiteral("Auto"), QStringLiteral("Vertical"), QStringLiteral("Horizontal")},
                    {500, 104, 112, 22}),
        "WritingBox");
    Label8 = NewLabel(this, "Label8", QStringLiteral("Pack"), {500, 128, 40, 12});
    PackBox = Named(NewComboBox(this, {QStringLiteral("None"), QStringLiteral("CBZ"), QStringLiteral("EPUB")},
                                {500, 144, 112, 22}),
                    "PackBox");

    Bevel1 = Named(new BottomLineBevel(this), "Bevel1");
    Bevel1->setGeometry(8, 129, 489, 7);

    // A 2-pixel sunken panel leaves a 480x272 client area: a PSP page fits
    // exactly and a taller QVGA page scrolls.
    ScrollBox1 = Named(new QScrollArea(this), "ScrollBox1");
    ScrollBox1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    ScrollBox1->setLineWidth(2);
    ScrollBox1->setGeometry(8, 140, 484, 276);
    ScrollBox1->setWidgetResizable(false);
    mainscreen = Named(new QLabel, "mainscreen");
    mainscreen->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    mainscreen->setGeometry(0, 0, 480, 272);
    ScrollBox1->setWidget(mainscreen);

    OpenDialog1 = Named(new QFileDialog(this), "OpenDialog1");
    // Qt's own chooser: it accepts a name that does not exist and filters
    // without regard to case wherever it runs.
    OpenDialog1->setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::HideNameFilterDetails);
    OpenDialog1->setFileMode(QFileDialog::AnyFile);
    OpenDialog1->setAcceptMode(QFileDialog::AcceptOpen);
}

void TForm1::SetTabOrder()
{
    const QList<QWidget*> order = {Edit1,   Edit2,   Edit3,    Edit4,     ScrollBox1, RadioButton1,
                                   RadioButton2, Button1, BitBtn1, StyleBox, DeviceBox,  WritingBox, PackBox};
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void TForm1::ConnectHandlers()
{
    const auto connectClick = [this](auto* button, void (TForm1::*handler)()) {
        connect(button, &std::remove_pointer_t<decltype(button)>::clicked, this,
                [this, handler] { Guarded([this, handler] { (this->*handler)(); }); });
    };
    connectClick(SpeedButton1, &TForm1::SpeedButton1Click);
    connectClick(SpeedButton2, &TForm1::SpeedButton2Click);
    connectClick(SpeedButton3, &TForm1::SpeedButton3Click);
    connectClick(BitBtn1, &TForm1::BitBtn1Click);
    connectClick(Button1, &TForm1::Button1Click);
    // Enter in a text field presses Start.
    for (QLineEdit* edit : {Edit1, Edit2, Edit3, Edit4})
        connect(edit, &QLineEdit::returnPressed, this, [this] {
            if (!Timer1.Enabled())
                Button1->click();
        });
    connect(StyleBox, &QComboBox::currentIndexChanged, this, [this] { ShowStyleChoices(); });
    ShowStyleChoices();
}

// Only the chosen style's own choices can be changed: the page size and the
// background for classic pages, the device and the writing direction for
// novel ones.
void TForm1::ShowStyleChoices()
{
    const bool novel = StyleBox->currentIndex() == 1;
    for (QWidget* classic : std::initializer_list<QWidget*>{RadioGroup1, RadioButton1, RadioButton2, Edit2, SpeedButton2})
        classic->setEnabled(!novel);
    DeviceBox->setEnabled(novel);
    WritingBox->setEnabled(novel);
}

bool TForm1::ChooseFile(const QString& filter, QString& fileName)
{
    OpenDialog1->setNameFilter(filter);
    OpenDialog1->setDirectory(QDir::currentPath());
    if (!lastChosenFile_.isEmpty())
        OpenDialog1->selectFile(lastChosenFile_);
    if (OpenDialog1->exec() != QDialog::Accepted || OpenDialog1->selectedFiles().isEmpty())
        return false;
    lastChosenFile_ = OpenDialog1->selectedFiles().constFirst();
    // Pages without an output directory go where the last file was chosen.
    QDir::setCurrent(QFileInfo(lastChosenFile_).absolutePath());
    fileName = lastChosenFile_;
    return true;
}

void TForm1::SpeedButton1Click()
{
    QString fileName;
    if (ChooseFile(QStringLiteral("text files (*)"), fileName))
        Edit1->setText(fileName);
}

void TForm1::SpeedButton2Click()
{
    QString fileName;
    if (ChooseFile(QStringLiteral("JPEG files (*.jpg) (*.JPG)"), fileName))
        Edit2->setText(fileName);
}

void TForm1::SpeedButton3Click()
{
    std::string directory;
    if (ChooseDirectory(directory, sdAllowCreate | sdPerformCreate | sdPrompt, 0, this))
        Edit4->setText(QFile::decodeName(QByteArray::fromStdString(directory)));
}

void TForm1::BitBtn1Click()
{
    if (FontDialog1.Execute(this))
        fontChosen_ = true;
}

void TForm1::Button1Click()
{
    // During a run the button reads Stop.
    if (Timer1.Enabled())
        StopRun();
    else
        StartRun();
}

void TForm1::StartRun()
{
    const RunSettings settings = ReadRunSettings();
    pack_.reset();
    run_ = tessaro::StartRun(settings);
    OpenPack(settings);
    fitPreview_ = settings.Style == PageStyle::Novel;
    Timer1.SetEnabled(true);
    SetRunning(true);
}

void TForm1::StopRun()
{
    Timer1.SetEnabled(false);
    SetRunning(false);
    // A pack not finished is dropped: an earlier file of its name stays.
    pack_.reset();
}

// The pack of the book as it stands at Start: its format, and its file named
// with the prefix in the output directory.
void TForm1::OpenPack(const RunSettings& settings)
{
    const auto format = static_cast<pack::PackFormat>(PackBox->currentIndex());
    if (format == pack::PackFormat::None)
        return;
    packPrefix_ = Bytes(Edit3);
    pack_ = pack::OpenPack(format, pack::PackPath(format, Bytes(Edit4), packPrefix_),
                           pack::ModificationTime(settings.TextFile));
}

PageSaver TForm1::Saver() const
{
    if (!pack_)
        return SaverFor(*run_);
    return [encode = run_->Encoder(), &pack = *pack_](const std::string& fileName, const TBitmap& page) {
        pack.AddPage(fileName, encode(page));
    };
}

void TForm1::Timer1Timer()
{
    bool ended = false;
    try {
        ended = run_->Tick(ReadTickSettings(), Saver());
        if (ended && pack_)
            pack_->Finish(run_->Metadata());
    } catch (...) {
        // A page that was drawn but could not be written is still shown. The
        // run stops before its error is shown: the user mends the cause and
        // starts again, rather than the book being used up page after page.
        ShowPage();
        StopRun();
        throw;
    }
    ShowPage();
    if (ended)
        StopRun();
    else
        ShowProgress();
}

RunSettings TForm1::ReadRunSettings() const
{
    RunSettings settings;
    settings.Style = StyleBox->currentIndex() == 1 ? PageStyle::Novel : PageStyle::Classic;
    settings.TextFile = Bytes(Edit1);
    settings.ChosenFont = ChosenFont();
    settings.Novel.Device = *novel::FindDevice(DeviceBox->currentText().toStdString());
    settings.Novel.Writing = static_cast<WritingChoice>(WritingBox->currentIndex());
    return settings;
}

TickSettings TForm1::ReadTickSettings() const
{
    TickSettings settings;
    settings.Format = RadioButton2->isChecked() ? PageFormat::QVGA : PageFormat::PSP;
    settings.BackgroundPath = Bytes(Edit2);
    settings.Prefix = Bytes(Edit3);
    settings.OutputDirectory = Bytes(Edit4);
    // A pack's pages are its entries, named as at Start.
    if (pack_) {
        settings.Prefix = packPrefix_;
        settings.OutputDirectory.clear();
    }
    return settings;
}

void TForm1::ShowPage()
{
    const TBitmap* page = run_->Page();
    if (page == nullptr || page->Empty()) {
        mainscreen->clear();
        return;
    }
    TBitmap converted;
    if (page->PixelFormat() != TPixelFormat::pfDevice) {
        converted = *page;
        converted.SetPixelFormat(TPixelFormat::pfDevice);
        page = &converted;
    }
    QImage image(page->ScanLine(0), page->Width(), page->Height(), page->RowBytes(), QImage::Format_RGB32);
    if (fitPreview_)
        image = image.scaled(ScrollBox1->contentsRect().size(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
    mainscreen->setPixmap(QPixmap::fromImage(image));
    mainscreen->resize(image.size());
}

void TForm1::SetRunning(bool running)
{
    Button1->setText(running ? QStringLiteral("Stop") : QStringLiteral("Start"));
    BitBtn1->setEnabled(!running);
    setWindowTitle(QStringLiteral("Tessaro"));
}

// The page just written and the share of the text laid out so far, in the
// title: "Tessaro - page 419, 37%".
void TForm1::ShowProgress()
{
    const std::size_t total = run_->TextBytes();
    const std::size_t percent = total == 0 ? 100 : run_->ConsumedBytes() * 100 / total;
    setWindowTitle(QStringLiteral("Tessaro - page %1, %2%").arg(run_->PageCounter() - 1).arg(percent));
}

}  // namespace tessaro
