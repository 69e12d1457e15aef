#include "app/ErrorReporting.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <cxxabi.h>
#include <memory>
#include <typeinfo>

#include "app/Application.h"
#include "text/Exception.h"

namespace tessaro {

namespace {

int openBoxes = 0;

// Ends a press or drag in progress, so that the box does not leave a button
// half pressed.
void CancelMouseCapture()
{
    if (QWidget* grabber = QWidget::mouseGrabber())
        grabber->releaseMouse();
}

// Shows one modal box with the critical icon and a single OK button, then
// gives the activation and the keyboard focus back to where they were.
void ShowErrorBox(const QString& caption, const QString& text)
{
    QPointer<QWidget> active = QApplication::activeWindow();
    QPointer<QWidget> focus = QApplication::focusWidget();
    ++openBoxes;
    {
        QMessageBox box(QMessageBox::Critical, caption, text, QMessageBox::Ok);
        box.setWindowModality(Qt::ApplicationModal);
        box.exec();
    }
    --openBoxes;
    if (active)
        active->activateWindow();
    if (focus)
        focus->setFocus(Qt::OtherFocusReason);
}

std::string CurrentExceptionTypeName()
{
    const std::type_info* type = abi::__cxa_current_exception_type();
    if (type == nullptr)
        return "unknown";
    int status = 0;
    const std::unique_ptr<char, decltype(&std::free)> demangled(
        abi::__cxa_demangle(type->name(), nullptr, nullptr, &status), &std::free);
    return status == 0 && demangled ? demangled.get() : type->name();
}

void ShowFallbackBox(const void* address, std::string_view message)
{
    const std::string text = FallbackErrorText(CurrentExceptionTypeName(), ApplicationTitle(), address, message);
    ShowErrorBox(QStringLiteral("アプリケーション エラー"), QString::fromUtf8(text.data(), qsizetype(text.size())));
}

}  // namespace

std::string FallbackErrorText(std::string_view typeName, std::string_view moduleName, const void* address,
                              std::string_view message)
{
    char addressText[32];
    std::snprintf(addressText, sizeof addressText, "%p", address);
    std::string text(typeName);
    text += " がモジュール ";
    text += moduleName;
    text += " の ";
    text += addressText;
    text += " で発生しました。\n";
    text += WithPeriod(message);
    text += '\n';
    return text;
}

void ReportException(const Exception& error)
{
    const std::string text = WithPeriod(error.Message());
    ShowErrorBox(QString::fromUtf8(ApplicationTitle().c_str()), QString::fromUtf8(text.data(), qsizetype(text.size())));
}

void CatchException(std::exception_ptr error)
{
    CancelMouseCapture();
    try {
        std::rethrow_exception(error);
    } catch (const EAbort&) {
        return;
    } catch (const Exception& shown) {
        ReportException(shown);
    } catch (const std::exception& other) {
        ShowFallbackBox(&other, other.what());
    } catch (...) {
        ShowFallbackBox(nullptr, "");
    }
}

bool ErrorBoxOpen()
{
    return openBoxes > 0;
}

}  // namespace tessaro
