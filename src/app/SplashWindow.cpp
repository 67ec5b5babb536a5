#include "app/SplashWindow.h"

#include "app/AboutBox.h"
#include "base/MessageBoxLayout.h"
#include "gui/ProgramPicture.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

namespace orvida {

SplashWindow::SplashWindow(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("frmSplash"));
    setFixedSize(msgbox::pixels(QSize(5220, 5055)));
    setCursor(Qt::BusyCursor);
    if (const QScreen* s = QGuiApplication::primaryScreen())
        move(s->availableGeometry().center() - rect().center());
}

void SplashWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paintProgramPicture(painter, rect());

    const int unit = qMin(width(), height()) / 10;
    QFont title(QStringLiteral("serif"));
    title.setStyleHint(QFont::Serif);
    title.setPointSizeF(24);
    title.setBold(true);
    painter.setFont(title);
    painter.setPen(QColor(255, 220, 0));
    painter.drawText(QRect(unit / 2 + unit / 10, unit / 2, width() - unit, unit * 3 / 2),
                     Qt::AlignLeft | Qt::AlignBottom, msgbox::productName());

    QFont text = font();
    text.setPointSizeF(11);
    painter.setFont(text);
    painter.setPen(Qt::white);
    painter.drawText(QRect(unit / 2 + unit / 10, unit * 5 / 2, width() - unit, unit), Qt::AlignLeft | Qt::AlignTop,
                     QStringLiteral("Declaratii fiscale"));
    painter.setPen(QColor(200, 210, 230));
    text.setPointSizeF(9);
    painter.setFont(text);
    painter.drawText(QRect(unit / 2 + unit / 10, height() - unit, width() - unit, unit / 2),
                     Qt::AlignLeft | Qt::AlignTop, AboutBox::versionText(QStringLiteral(ORVIDA_VERSION)));
}

} // namespace orvida
