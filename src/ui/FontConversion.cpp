#include "ui/FontConversion.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <cmath>

namespace tessaro {

void InstallFontSubstitutions()
{
    static const struct {
        const char* Name;
        const char* Installed;
    } substitutions[] = {
        {"ＭＳ ゴシック", "IPAGothic"},   {"MS Gothic", "IPAGothic"},   {"ＭＳ Ｐゴシック", "IPAPGothic"},
        {"MS PGothic", "IPAPGothic"},     {"ＭＳ 明朝", "IPAMincho"},   {"ＭＳ Ｐ明朝", "IPAPMincho"},
        {"MS Sans Serif", "Sans Serif"},
    };
    for (const auto& substitution : substitutions)
        QFont::insertSubstitution(QString::fromUtf8(substitution.Name), QString::fromUtf8(substitution.Installed));
}

namespace {

void ApplyStyle(QFont& qfont, TFontStyles style)
{
    qfont.setBold((style & fsBold) != 0);
    qfont.setItalic((style & fsItalic) != 0);
    qfont.setUnderline((style & fsUnderline) != 0);
    qfont.setStrikeOut((style & fsStrikeOut) != 0);
}

}  // namespace

QFont WidgetFont(const TFontDescription& description)
{
    QFont qfont(QString::fromUtf8(description.Name.c_str()));
    if (description.Height != 0)
        qfont.setPixelSize(std::abs(description.Height));
    ApplyStyle(qfont, description.Style);
    return qfont;
}

QFont ChooserFont(const TFont& font)
{
    QFont qfont(QFontInfo(QFont(QString::fromUtf8(font.Name().c_str()))).family());
    if (font.Size() > 0)
        qfont.setPointSize(font.Size());
    ApplyStyle(qfont, font.Style());
    return qfont;
}

QColor ToQColor(TColor color)
{
    const std::uint32_t rgb = ColorToRGB(color);
    return QColor(int(rgb & 0xFF), int((rgb >> 8) & 0xFF), int((rgb >> 16) & 0xFF));
}

TColor ToTColor(const QColor& color)
{
    const QColor rgb = color.toRgb();
    return TColor((rgb.blue() << 16) | (rgb.green() << 8) | rgb.red());
}

std::uint8_t CharsetForFamily(const QString& family)
{
    return QFontDatabase::writingSystems(family).contains(QFontDatabase::Japanese) ? SHIFTJIS_CHARSET
                                                                                   : DEFAULT_CHARSET;
}

void ApplyChosenFont(TFont& font, const QFont& chosen, const QString& openedFamily,
                     const std::optional<QColor>& pickedColor)
{
    if (chosen.family().compare(openedFamily, Qt::CaseInsensitive) != 0) {
        // The name is cut in the code page of its character set, so that comes first.
        font.SetCharset(CharsetForFamily(chosen.family()));
        font.SetName(chosen.family().toStdString());
    }
    if (chosen.pointSizeF() > 0)
        font.SetHeight(-int(std::lround(chosen.pointSizeF() * font.PixelsPerInch() / 72.0)));
    else if (chosen.pixelSize() > 0)
        font.SetHeight(-chosen.pixelSize());

    TFontStyles style = 0;
    if (chosen.weight() > QFont::Normal)
        style |= fsBold;
    if (chosen.italic())
        style |= fsItalic;
    if (chosen.underline())
        style |= fsUnderline;
    if (chosen.strikeOut())
        style |= fsStrikeOut;
    font.SetStyle(style);

    if (pickedColor)
        font.SetColor(ToTColor(*pickedColor));
}

}  // namespace tessaro
