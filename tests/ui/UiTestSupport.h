#pragma once
// Shared pieces of the window tests: the program's start-up, a driver that
// answers modal dialogs and message boxes as they open, and a scratch
// directory that is also the current directory.

#include <QElapsedTimer>
#include <QMessageBox>
#include <QPointer>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace tessaro::uitest {

// Code pages, fonts and JPEG defaults as the program sets them up (Japanese
// locale, 96 pixels per inch).
void StartUp();

struct SeenBox {
    QString Caption;
    QString Text;
    QMessageBox::Icon Icon;
    QStringList Buttons;
};

// Watches for modal windows. Each one that opens is handed to the next queued
// step (run from the event loop, so a step may itself open a modal window);
// with no step queued, a message box is answered with its first button and any
// other dialog is rejected. A modal window still open 10 s after its step ran
// is rejected too and counted as stuck, so a test never hangs. Every message
// box is recorded, and the most boxes ever open at once is counted.
class ModalDriver : public QObject {
public:
    using Step = std::function<void(QWidget*)>;

    ModalDriver();
    ~ModalDriver();
    ModalDriver(const ModalDriver&) = delete;
    ModalDriver& operator=(const ModalDriver&) = delete;

    void Then(Step step) { steps_.push_back(std::move(step)); }
    // Answers every box that has no step of its own with the button captioned
    // text, delayMs after it opened; onBox runs first.
    void AnswerBoxes(const QString& text, int delayMs, std::function<void(const SeenBox&)> onBox = {});

    const std::vector<SeenBox>& Boxes() const { return boxes_; }
    int MaxOpenBoxes() const { return maxOpenBoxes_; }
    bool AllStepsTaken() const { return steps_.empty(); }
    int Stuck() const { return stuck_; }

protected:
    // A window shown again (a shared chooser) counts as newly opened.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Poll();
    void Handle(QWidget* modal);

    QTimer poll_;
    std::deque<Step> steps_;
    struct Handled {
        QPointer<QWidget> Widget;
        QElapsedTimer Since;
    };
    std::vector<Handled> handled_;
    int stuck_ = 0;
    std::vector<SeenBox> boxes_;
    int maxOpenBoxes_ = 0;
    QString answer_;
    int answerDelayMs_ = 0;
    std::function<void(const SeenBox&)> onBox_;
};

// Clicks the button of a message box whose caption is text (or the first one
// when text is empty).
void ClickBoxButton(QMessageBox* box, const QString& text = {});
int OpenMessageBoxes();

// A temporary directory made the current directory for the life of the object.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    // The directory's real path (as the system reports the current directory).
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    QTemporaryDir dir_;
    std::string path_;
    std::string previous_;
};

void WriteFile(const std::string& path, const std::string& bytes);
// A text of count numbered lines.
std::string NumberedLines(int count);
std::string CurrentDirectory();

}  // namespace tessaro::uitest
