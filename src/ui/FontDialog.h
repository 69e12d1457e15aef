#pragma once
// The font chooser FontDialog1: a component holding the font it was last
// confirmed with, and the modal dialog it runs. Qt's font dialog is embedded
// with a colour box beside its effects, because Qt's own has none.

#include <QDialog>
#include <optional>

#include "imaging/TFont.h"

class QFontDialog;
class QPushButton;

namespace tessaro {

class TFontChooserDialog : public QDialog {
    Q_OBJECT
public:
    TFontChooserDialog(const TFont& font, QWidget* parent);

    QFontDialog* FontBox() const { return fontBox_; }
    QPushButton* ColorButton() const { return colorButton_; }

    QFont SelectedFont() const;
    // The family the dialog opened with, as Qt resolved the font's name.
    const QString& OpenedFamily() const { return openedFamily_; }
    // Set only when the user picked a colour.
    const std::optional<QColor>& PickedColor() const { return pickedColor_; }
    void PickColor(const QColor& color);

private:
    void ColorButtonClick();
    void ShowColor(const QColor& color);

    QFontDialog* fontBox_;
    QPushButton* colorButton_;
    QString openedFamily_;
    QColor shownColor_;
    std::optional<QColor> pickedColor_;
};

class TFontDialog {
public:
    // The window's design font: "ＭＳ Ｐゴシック", 12 pixels, Shift_JIS, window
    // text colour, no style.
    TFontDialog();

    TFont Font;

    // Runs the chooser; on OK its result goes into Font and true is returned.
    // Cancel changes nothing.
    bool Execute(QWidget* parent);
};

}  // namespace tessaro
