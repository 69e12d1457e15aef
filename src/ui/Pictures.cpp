#include "ui/Pictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace tessaro {

namespace {

const QColor FolderBack(0xC8, 0x9B, 0x2C);
const QColor FolderFront(0xF2, 0xC9, 0x4C);
const QColor Outline(0x6B, 0x4F, 0x10);

}  // namespace

QIcon OpenFolderIcon(bool withSheet)
{
    QPixmap picture(16, 16);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setPen(Outline);

    // Back of the folder with its tab.
    painter.setBrush(FolderBack);
    painter.drawPolygon(QPolygon({{1, 3}, {5, 3}, {6, 4}, {12, 4}, {12, 13}, {1, 13}}));
    if (withSheet) {
        painter.setBrush(Qt::white);
        painter.setPen(QColor(0x60, 0x60, 0x60));
        painter.drawRect(5, 1, 7, 9);
        for (int y = 3; y <= 7; y += 2)
            painter.drawLine(7, y, 10, y);
        painter.setPen(Outline);
    }
    // The open front flap, tilted forward.
    painter.setBrush(FolderFront);
    painter.drawPolygon(QPolygon({{3, 7}, {15, 7}, {12, 13}, {1, 13}}));
    painter.end();
    return QIcon(picture);
}

QIcon ApplicationIcon()
{
    QIcon icon;
    for (const int size : {16, 32, 48, 64, 128}) {
        QPixmap picture(size, size);
        picture.fill(Qt::transparent);
        QPainter painter(&picture);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(size / 64.0, size / 64.0);

        // The handheld's body and its wide screen.
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0x2E, 0x3A, 0x4F));
        painter.drawRoundedRect(QRectF(2, 12, 60, 40), 10, 10);
        painter.setBrush(Qt::white);
        painter.drawRect(QRectF(12, 17, 40, 30));

        // A page of text on the screen: a header and the text lines.
        painter.setBrush(QColor(0xC0, 0x39, 0x2B));
        painter.drawRect(QRectF(15, 20, 12, 3));
        painter.setBrush(QColor(0x33, 0x33, 0x33));
        for (int line = 0; line < 5; ++line)
            painter.drawRect(QRectF(15, 26 + line * 4, line == 4 ? 20 : 34, 2));
        painter.end();
        icon.addPixmap(picture);
    }
    return icon;
}

}  // namespace tessaro
