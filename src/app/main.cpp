// The window program: start-up in the order the core needs it, then the main
// window until it is closed. The program takes no options of its own; Qt's
// own options are accepted and everything else is ignored.

#include <QApplication>
#include <QScreen>

#include "app/Application.h"
#include "imaging/TFont.h"
#include "imaging/TJPEGImage.h"
#include "text/CodePageInfo.h"
#include "ui/FontConversion.h"
#include "ui/Form1.h"
#include "ui/Pictures.h"

namespace {

// Pages are laid out at 96 pixels per inch whatever the display reports, so
// that the window and the batch command write the same pages; Qt scales the
// window itself on high-resolution screens.
constexpr int PagePixelsPerInch = 96;

int ScreenBitsPerPixel()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->depth() : 24;
}

void StartUp()
{
    tessaro::InitCodePageInfo();
    tessaro::InitScreenFont(PagePixelsPerInch);
    tessaro::InitJPEGDefaults(ScreenBitsPerPixel());
    tessaro::InstallFontSubstitutions();
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    tessaro::InstallQtTranslations();
    QApplication::setApplicationName(QString::fromUtf8(tessaro::ApplicationTitle().c_str()));
    QApplication::setDesktopFileName(QStringLiteral("tessaro"));
    QApplication::setWindowIcon(tessaro::ApplicationIcon());
    return tessaro::RunApplication(StartUp, [] { return std::make_unique<tessaro::TForm1>(); });
}
