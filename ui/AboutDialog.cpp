#include "ui/AboutDialog.h"

#include "ui/AppInfo.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

#include <algorithm>

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("aboutDialog"));
    setWindowTitle(tr("About Fotoharvester"));
    setWindowIcon(ApplicationIcon());

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("iconLabel"));
    const int iconSize =
        std::max(style()->pixelMetric(QStyle::PM_LargeIconSize, nullptr, this), fontMetrics().height() * 2);
    icon->setPixmap(ApplicationIcon().pixmap(iconSize, iconSize));
    icon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    auto* product = new QLabel(ProductLine(), this);
    product->setObjectName(QStringLiteral("productLabel"));

    auto* ok = new QPushButton(tr("OK"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setDefault(true);
    MatchButtonWidths({ok});
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    // FreeImage is offered under the GPL as well as under its own licence; its own does not go
    // with the GPL of the program as a whole.
    // The licence line on its own: the notice is made as wide as it is.
    const QString freeImageLicence = tr("FreeImage is used under the GNU General Public License, version 3.");
    auto* notice = new QLabel(this);
    notice->setObjectName(QStringLiteral("noticeLabel"));
    notice->setText(tr("This software uses the FreeImage open source image library.\n"
                       "See https://freeimage.sourceforge.io for details.") +
                    QStringLiteral("\n\n") + freeImageLicence + QLatin1Char('\n') +
                    tr("libexiv2 (https://exiv2.org) is used under the GNU General Public License, "
                       "version 2 or later.") +
                    QStringLiteral("\n\n") +
                    tr("Fotoharvester is free software under the GNU General Public License, "
                       "version 3 or later, and comes with no warranty."));
    notice->setAlignment(Qt::AlignCenter);
    notice->setWordWrap(true);
    notice->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* layout = new QGridLayout(this);
    layout->addWidget(icon, 0, 0, 2, 1);
    layout->addWidget(product, 0, 1, Qt::AlignTop | Qt::AlignLeft);
    layout->addWidget(ok, 0, 2, Qt::AlignTop);
    layout->setRowMinimumHeight(1, fontMetrics().height() * 2);
    layout->addWidget(notice, 2, 0, 1, 3);
    layout->setColumnStretch(1, 1);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    // Wide enough for the notice's longest line: a label that wraps words otherwise guesses a
    // width of its own, and may break that line in two.
    notice->setMinimumWidth(fontMetrics().horizontalAdvance(freeImageLicence) + fontMetrics().averageCharWidth() * 4);
}
