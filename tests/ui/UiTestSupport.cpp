#include "UiTestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QTest>
#include <algorithm>
#include <fstream>
#include <stdexcept>
#include <unistd.h>

#include "imaging/TFont.h"
#include "imaging/TJPEGImage.h"
#include "text/CodePageInfo.h"
#include "ui/DirectoryOps.h"
#include "ui/FontConversion.h"

namespace tessaro::uitest {

void StartUp()
{
    InitCodePageInfo("ja_JP.UTF-8");
    InitScreenFont(96);
    InitJPEGDefaults(32);
    InstallFontSubstitutions();
}

ModalDriver::ModalDriver()
{
    qApp->installEventFilter(this);
    QObject::connect(&poll_, &QTimer::timeout, [this] { Poll(); });
    poll_.start(5);
}

ModalDriver::~ModalDriver()
{
    if (stuck_ > 0)
        QTest::qFail("a modal window was left open", __FILE__, __LINE__);
}

void ModalDriver::AnswerBoxes(const QString& text, int delayMs, std::function<void(const SeenBox&)> onBox)
{
    answer_ = text;
    answerDelayMs_ = delayMs;
    onBox_ = std::move(onBox);
}

bool ModalDriver::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Show && watched->isWidgetType())
        std::erase_if(handled_, [&](const Handled& entry) { return entry.Widget == watched; });
    return false;
}

void ModalDriver::Poll()
{
    maxOpenBoxes_ = std::max(maxOpenBoxes_, OpenMessageBoxes());
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || !modal->isVisible())
        return;
    std::erase_if(handled_, [](const Handled& entry) { return entry.Widget.isNull(); });
    const auto seen = std::find_if(handled_.begin(), handled_.end(),
                                   [&](const Handled& entry) { return entry.Widget == modal; });
    if (seen == handled_.end()) {
        handled_.push_back({modal, {}});
        handled_.back().Since.start();
        Handle(modal);
    } else if (seen->Since.hasExpired(10000)) {
        ++stuck_;
        seen->Since.start();
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
    }
}

void ModalDriver::Handle(QWidget* modal)
{
    QPointer<QWidget> target(modal);
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        SeenBox seen{box->windowTitle(), box->text(), box->icon(), {}};
        for (QAbstractButton* button : box->buttons())
            seen.Buttons << button->text();
        boxes_.push_back(seen);
        if (steps_.empty()) {
            if (onBox_)
                onBox_(seen);
            QTimer::singleShot(answerDelayMs_, [target, answer = answer_] {
                if (target)
                    ClickBoxButton(qobject_cast<QMessageBox*>(target.data()), answer);
            });
            return;
        }
    }
    if (steps_.empty()) {
        QTimer::singleShot(0, [target] {
            if (auto* dialog = qobject_cast<QDialog*>(target.data()))
                dialog->reject();
        });
        return;
    }
    Step step = std::move(steps_.front());
    steps_.pop_front();
    QTimer::singleShot(0, [target, step = std::move(step)] {
        if (target)
            step(target.data());
    });
}

void ClickBoxButton(QMessageBox* box, const QString& text)
{
    for (QAbstractButton* button : box->buttons()) {
        if (text.isEmpty() || button->text() == text) {
            button->click();
            return;
        }
    }
    throw std::logic_error("no such button: " + text.toStdString());
}

int OpenMessageBoxes()
{
    const auto widgets = QApplication::topLevelWidgets();
    return int(std::count_if(widgets.begin(), widgets.end(), [](QWidget* widget) {
        return qobject_cast<QMessageBox*>(widget) != nullptr && widget->isVisible();
    }));
}

ScratchDir::ScratchDir() : previous_(CurrentDir())
{
    if (!dir_.isValid())
        throw std::runtime_error("cannot make a temporary directory");
    ChangeDir(dir_.path().toStdString());
    path_ = CurrentDir();
}

ScratchDir::~ScratchDir()
{
    // Best effort: the previous directory may be gone by now.
    [[maybe_unused]] const int result = chdir(previous_.c_str());
}

void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

std::string NumberedLines(int count)
{
    std::string text;
    for (int line = 1; line <= count; ++line)
        text += "line " + std::to_string(line) + "\n";
    return text;
}

std::string CurrentDirectory()
{
    return CurrentDir();
}

}  // namespace tessaro::uitest
