#pragma once
// Between the program's font descriptions and Qt's fonts and colours.

#include <QColor>
#include <QFont>
#include <QString>
#include <optional>
#include <string>

#include "imaging/Color.h"
#include "imaging/TFont.h"

namespace tessaro {

// Lets Qt find the Japanese system font names the program uses (and the
// western default) among the fonts installed here.
void InstallFontSubstitutions();

// A font for widgets: the family as named and the height in pixels.
QFont WidgetFont(const TFontDescription& description);
// A font for the font chooser: the family Qt resolves the name to, the size in
// points and the style.
QFont ChooserFont(const TFont& font);

QColor ToQColor(TColor color);
TColor ToTColor(const QColor& color);

// Character set for a family the user picked: Shift_JIS for a family that
// writes Japanese, the system's own otherwise.
std::uint8_t CharsetForFamily(const QString& family);

// Takes the chooser's result into the font: size and style always; the family
// and character set only when a different family (ignoring case) was picked
// than the one the chooser opened with; the colour only when one was picked.
// The pitch is never changed.
void ApplyChosenFont(TFont& font, const QFont& chosen, const QString& openedFamily,
                     const std::optional<QColor>& pickedColor);

}  // namespace tessaro
