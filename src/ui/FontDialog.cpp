#include "ui/FontDialog.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/FontConversion.h"

namespace tessaro {

TFontChooserDialog::TFontChooserDialog(const TFont& font, QWidget* parent)
    : QDialog(parent), fontBox_(new QFontDialog(this)), colorButton_(new QPushButton(this))
{
    setWindowTitle(QStringLiteral("フォント"));
    setObjectName(QStringLiteral("FontDialog1"));

    // An embedded font dialog without its own buttons: this dialog's OK and
    // Cancel decide.
    fontBox_->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
    fontBox_->setWindowFlags(Qt::Widget);
    fontBox_->setSizeGripEnabled(false);
    fontBox_->setCurrentFont(ChooserFont(font));
    openedFamily_ = fontBox_->currentFont().family();

    auto* colorLabel = new QLabel(QStringLiteral("色(&C):"), this);
    colorLabel->setBuddy(colorButton_);
    ShowColor(ToQColor(font.Color()));
    connect(colorButton_, &QPushButton::clicked, this, &TFontChooserDialog::ColorButtonClick);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* colorRow = new QHBoxLayout;
    colorRow->addWidget(colorLabel);
    colorRow->addWidget(colorButton_);
    colorRow->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fontBox_);
    layout->addLayout(colorRow);
    layout->addWidget(buttons);
}

QFont TFontChooserDialog::SelectedFont() const
{
    return fontBox_->currentFont();
}

void TFontChooserDialog::PickColor(const QColor& color)
{
    pickedColor_ = color;
    ShowColor(color);
}

void TFontChooserDialog::ColorButtonClick()
{
    const QColor color = QColorDialog::getColor(shownColor_, this);
    if (color.isValid())
        PickColor(color);
}

void TFontChooserDialog::ShowColor(const QColor& color)
{
    shownColor_ = color;
    QPixmap swatch(32, 12);
    swatch.fill(color);
    colorButton_->setIcon(QIcon(swatch));
    colorButton_->setIconSize(swatch.size());
    colorButton_->setToolTip(color.name());
}

TFontDialog::TFontDialog()
{
    Font.SetName("ＭＳ Ｐゴシック");
    Font.SetHeight(-12);
    Font.SetCharset(SHIFTJIS_CHARSET);
    Font.SetColor(clWindowText);
    Font.SetStyle(0);
}

bool TFontDialog::Execute(QWidget* parent)
{
    TFontChooserDialog dialog(Font, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    ApplyChosenFont(Font, dialog.SelectedFont(), dialog.OpenedFamily(), dialog.PickedColor());
    return true;
}

}  // namespace tessaro
