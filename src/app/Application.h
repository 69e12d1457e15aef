#pragma once
// The application frame: the title, start-up and the message loop.

#include <functional>
#include <memory>
#include <string>
#include <string_view>

class QWidget;

namespace tessaro {

// The title for a program file: the name after the last '/', cut at its first
// '.', lower-cased (ASCII) from its second byte on. "/usr/bin/ABC.DEF" gives "Abc".
std::string TitleFromModulePath(std::string_view path);

// The title of this program, taken once from /proc/self/exe.
const std::string& ApplicationTitle();

using MainWindowFactory = std::function<std::unique_ptr<QWidget>()>;

// Runs start-up, creates and shows the main window and runs the message loop
// until it closes. Needs a QApplication. An error at start-up is shown and ends
// the program; the result is always 0.
// Qt's own texts (the choosers' buttons and labels) in the user's language,
// to match the program's Japanese messages under a ja locale. Does nothing
// where Qt has no translation for the language.
void InstallQtTranslations();

int RunApplication(const std::function<void()>& startUp, const MainWindowFactory& createMainWindow);

}  // namespace tessaro
