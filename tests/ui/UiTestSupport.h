#pragma once
// Shared pieces of the window tests: a driver that answers modal windows as
// they open, and a scratch current directory.

#include <QTest>
#include <QtWidgets>
#include <deque>
#include <functional>
#include <string>

#include "app/Application.h"
#include "ui/DirectoryOps.h"

namespace tessaro::test {

// "caption, icon N: text; buttons", free of regular-expression operators.
inline QString BoxText(QMessageBox::Icon icon, const QString& caption, const QString& text,
                       const QStringList& buttons = {"OK"})
{
    return QStringLiteral("%1, icon %2: %3; %4").arg(caption).arg(int(icon)).arg(text, buttons.join(' '));
}

inline QString ErrorBox(const QString& text)
{
    return BoxText(QMessageBox::Critical, QString::fromStdString(ApplicationTitle()), text);
}

// Answers modal dialogs from the event loop, so that a step may open one
// itself. Each one shown (a shared one again too) takes the next queued step;
// once the queue is empty, or a check has failed, it takes the default answer,
// so a test never hangs. Message boxes are recorded as BoxText gives them.
// Steps left untaken fail the test.
class ModalDriver : public QObject {
public:
    using Step = std::function<void(QWidget*)>;

    ModalDriver() { qApp->installEventFilter(this); }
    ~ModalDriver() override
    {
        if (!steps_.empty())
            QTest::qFail("a modal window the test waited for never opened", __FILE__, __LINE__);
    }
    void Then(Step step) { steps_.push_back(std::move(step)); }

    // A message box's first button, Cancel for any other dialog.
    static void DefaultAnswer(QWidget* modal)
    {
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (box != nullptr && !box->buttons().isEmpty())
            box->buttons().constFirst()->click();
        else if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
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
inline ModalDriver::Step Type(const QString& text)
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

}  // namespace tessaro::test
