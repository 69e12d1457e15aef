#pragma once
// The main window: the settings of a run, Start and Font, and the preview of
// the page being produced. It holds the run and its tick timer; every tick
// reads the controls as they are at that moment.

#include <QWidget>
#include <string>

#include "app/Timer.h"
#include "pages/PageRun.h"
#include "ui/FontDialog.h"

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

    PageRun& Run() { return run_; }

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
    // Runs the shared file chooser with one filter; on OK returns true with the
    // chosen file's full path.
    bool ChooseFile(const QString& filter, QString& fileName);
    TickSettings ReadTickSettings() const;
    void ShowPage();
    void StartRun();
    // Ends the run where it stands: the pages written so far stay.
    void StopRun();
    void SetRunning(bool running);
    void ShowProgress();

    PageRun run_;
    QString lastChosenFile_;
};

}  // namespace tessaro
