#pragma once
// The main window: the settings of a run, Start and Font, and the preview of
// the page being produced. It holds the run and its tick timer; every tick
// reads the controls as they are at that moment.

#include <QWidget>
#include <memory>
#include <string>

#include "app/Timer.h"
#include "pack/BookPack.h"
#include "run/BookRun.h"
#include "ui/FontDialog.h"

class QComboBox;
class QFileDialog;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QToolButton;

namespace tessaro {

class TForm1 : public QWidget {
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // The run in progress or last made; before the first, a classic run
    // without text that shows a white page.
    BookRun& Run() { return *run_; }
    // The font the font chooser took, for the classic body; none until then.
    const TFont* ChosenFont() const { return fontChosen_ ? &FontDialog1.Font : nullptr; }

    // The controls and components, by their design names.
    QLabel* Label1;
    QLineEdit* Edit1;
    QToolButton* SpeedButton1;
    QLabel* Label2;
    QLineEdit* Edit2;
    QToolButton* SpeedButton2;
    QLabel* Label3;
    QLineEdit* Edit3;
    QLabel* Label4;
    QLineEdit* Edit4;
    QToolButton* SpeedButton3;
    QPushButton* BitBtn1;
    QGroupBox* RadioGroup1;
    QRadioButton* RadioButton1;
    QRadioButton* RadioButton2;
    QPushButton* Button1;
    // The novel style's choices, read when a run starts.
    QLabel* Label5;
    QComboBox* StyleBox;
    QLabel* Label6;
    QComboBox* DeviceBox;
    QLabel* Label7;
    QComboBox* WritingBox;
    // None, CBZ or EPUB: with a pack the book goes into one file, read at Start.
    QLabel* Label8;
    QComboBox* PackBox;
    QFrame* Bevel1;
    QScrollArea* ScrollBox1;
    QLabel* mainscreen;
    QFileDialog* OpenDialog1;
    TFontDialog FontDialog1;
    TTimer Timer1;

    // The handlers. Each may raise; the window's wiring hands errors to the
    // application frame.
    void SpeedButton1Click();
    void SpeedButton2Click();
    void SpeedButton3Click();
    void BitBtn1Click();
    void Button1Click();
    void Timer1Timer();

private:
    void CreateControls();
    void SetTabOrder();
    void ConnectHandlers();
    void ShowStyleChoices();
    // Runs the shared file chooser with one filter; on OK returns true with the
    // chosen file's full path.
    bool ChooseFile(const QString& filter, QString& fileName);
    RunSettings ReadRunSettings() const;
    TickSettings ReadTickSettings() const;
    void OpenPack(const RunSettings& settings);
    PageSaver Saver() const;
    void ShowPage();
    void StartRun();
    // Ends the run where it stands: the pages written so far stay.
    void StopRun();
    void SetRunning(bool running);
    void ShowProgress();

    std::unique_ptr<BookRun> run_;
    // The pack the run's pages go into, until the book is used up; none
    // without one. Its pages are named with the prefix given at Start.
    std::unique_ptr<pack::BookPack> pack_;
    std::string packPrefix_;
    bool fontChosen_ = false;
    // Novel pages are shown whole, scaled to fit the preview.
    bool fitPreview_ = false;
    QString lastChosenFile_;
};

}  // namespace tessaro
