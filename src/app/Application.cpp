#include "app/Application.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <QWidget>
#include <filesystem>
#include <system_error>

#include "app/ErrorReporting.h"
#include "text/Exception.h"

namespace tessaro {

std::string TitleFromModulePath(std::string_view path)
{
    const auto slash = path.rfind('/');
    std::string name(slash == std::string_view::npos ? path : path.substr(slash + 1));
    name = name.substr(0, name.find('.'));
    for (std::size_t i = 1; i < name.size(); ++i) {
        if (name[i] >= 'A' && name[i] <= 'Z')
            name[i] = static_cast<char>(name[i] - 'A' + 'a');
    }
    return name;
}

const std::string& ApplicationTitle()
{
    static const std::string title = [] {
        std::error_code error;
        const auto program = std::filesystem::read_symlink("/proc/self/exe", error);
        return TitleFromModulePath(error ? std::string("tessaro") : program.string());
    }();
    return title;
}

void InstallQtTranslations()
{
    static QTranslator qtTexts;
    if (qtTexts.load(QLocale::system(), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);
}

int RunApplication(const std::function<void()>& startUp, const MainWindowFactory& createMainWindow)
{
    try {
        startUp();
        const std::unique_ptr<QWidget> mainWindow = createMainWindow();
        mainWindow->show();
        QApplication::exec();
    } catch (const Exception& error) {
        ReportException(error);
    } catch (...) {
        ReportException(Exception(""));
    }
    return 0;
}

}  // namespace tessaro
