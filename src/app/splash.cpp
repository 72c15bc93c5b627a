// A borderless, always-on-top window in the screen centre with the product name.
#include "app/splash.h"

#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>

namespace velloran {

TfSplash::TfSplash()
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("TfSplash"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(360, 160);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TfSplash::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QLinearGradient gradient(0, 0, 0, height());
    gradient.setColorAt(0, QColor(0x1F, 0x3A, 0x68));
    gradient.setColorAt(1, QColor(0x0B, 0x16, 0x2C));
    painter.fillRect(rect(), gradient);
    painter.setPen(QColor(0xF2, 0xC1, 0x4E));
    QFont font = painter.font();
    font.setPointSize(30);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(rect(), Qt::AlignCenter, QStringLiteral("Velloran"));
    painter.setPen(QColor(0x9F, 0xB6, 0xD8));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

} // namespace velloran
