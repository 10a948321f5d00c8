#include "ui/AppInfo.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>

#include <algorithm>

// FOTOHARVESTER_VERSION comes from the project version in CMakeLists.txt, the only place the
// version is written; without it the build fails rather than show a stale number.

const char* VersionNumber()
{
    return FOTOHARVESTER_VERSION;
}

QString MainWindowTitle()
{
    return QStringLiteral("QX's Fotoharvester " FOTOHARVESTER_VERSION " Beta");
}

QString ProductLine()
{
    return QStringLiteral("Fotoharvester " FOTOHARVESTER_VERSION " Beta");
}

namespace {

// A camera in front of a sheet of lines: photos in, a table out.
QPixmap DrawIcon(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal unit = size / 32.0;
    painter.scale(unit, unit);

    painter.setPen(QPen(QColor(90, 90, 90), 1.0));
    painter.setBrush(QColor(250, 250, 245));
    painter.drawRect(QRectF(13.5, 2.5, 16, 20));
    painter.setPen(QPen(QColor(70, 110, 170), 1.5));
    for (int line = 0; line < 4; ++line)
        painter.drawLine(QPointF(16, 7 + 4 * line), QPointF(27, 7 + 4 * line));

    QPainterPath body;
    body.addRoundedRect(QRectF(2.5, 12.5, 20, 15), 2.5, 2.5);
    body.addRect(QRectF(7, 10, 7, 3));
    painter.setPen(QPen(QColor(30, 30, 30), 1.0));
    painter.setBrush(QColor(60, 64, 72));
    painter.drawPath(body.simplified());
    painter.setBrush(QColor(200, 220, 240));
    painter.drawEllipse(QPointF(12.5, 20), 5, 5);
    painter.setBrush(QColor(40, 80, 140));
    painter.drawEllipse(QPointF(12.5, 20), 2.5, 2.5);
    return pixmap;
}

}  // namespace

QIcon ApplicationIcon()
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64})
        icon.addPixmap(DrawIcon(size));
    return icon;
}

void MatchButtonWidths(std::initializer_list<QPushButton*> buttons)
{
    int width = 0;
    for (const QPushButton* button : buttons) {
        const QFontMetrics metrics = button->fontMetrics();
        width = std::max({width, button->sizeHint().width(),
                          metrics.horizontalAdvance(button->text()) + 4 * metrics.averageCharWidth()});
    }
    for (QPushButton* button : buttons)
        button->setMinimumWidth(width);
}
