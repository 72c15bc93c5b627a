// Painting the spinner and the three clip pictures.
#include "ftp/ui/ftpanimation.h"

#include <QPainter>
#include <QPainterPath>

namespace velloran {

namespace {

constexpr int kDots = 8;
constexpr int kFrameMs = 90;

} // namespace

FtpAnimation::FtpAnimation(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Animate1"));
    setFixedSize(96, 48);
    setAutoFillBackground(true);
    hide();
    m_timer.setInterval(kFrameMs);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        m_frame = (m_frame + 1) % kDots;
        update();
    });
}

void FtpAnimation::setClip(Clip clip) {
    m_clip = clip;
    update();
}

void FtpAnimation::start() {
    m_frame = 0;
    m_timer.start();
    emit started();
}

void FtpAnimation::stop() {
    if (!m_timer.isActive())
        return;
    m_timer.stop();
    emit stopped();
}

void FtpAnimation::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor ink = palette().color(QPalette::Highlight);
    const QPointF centre(24, height() / 2.0);
    for (int i = 0; i < kDots; ++i) {
        // The dot of the current frame is the brightest; the ones behind it fade.
        const int age = (m_frame - i + kDots) % kDots;
        QColor dot = ink;
        dot.setAlphaF(1.0 - age / static_cast<double>(kDots));
        painter.setPen(Qt::NoPen);
        painter.setBrush(dot);
        painter.save();
        painter.translate(centre);
        painter.rotate(i * 360.0 / kDots);
        painter.drawEllipse(QPointF(0, -14), 3.5, 3.5);
        painter.restore();
    }
    paintClipPicture(painter, QRectF(52, 8, 36, 32));
}

void FtpAnimation::paintClipPicture(QPainter& painter, const QRectF& box) const {
    const QColor ink = palette().color(QPalette::WindowText);
    painter.setPen(QPen(ink, 1.5));
    painter.setBrush(Qt::NoBrush);
    switch (m_clip) {
    case Clip::FindComputer: // a screen on its stand
        painter.drawRect(box.adjusted(2, 2, -2, -10));
        painter.drawLine(QPointF(box.center().x(), box.bottom() - 8),
                         QPointF(box.center().x(), box.bottom() - 3));
        painter.drawLine(QPointF(box.left() + 8, box.bottom() - 2),
                         QPointF(box.right() - 8, box.bottom() - 2));
        break;
    case Clip::FindFolder: { // a folder with its tab
        QPainterPath folder;
        folder.moveTo(box.left() + 2, box.top() + 6);
        folder.lineTo(box.left() + 12, box.top() + 6);
        folder.lineTo(box.left() + 15, box.top() + 10);
        folder.lineTo(box.right() - 2, box.top() + 10);
        folder.lineTo(box.right() - 2, box.bottom() - 4);
        folder.lineTo(box.left() + 2, box.bottom() - 4);
        folder.closeSubpath();
        painter.drawPath(folder);
        break;
    }
    case Clip::CopyFile: { // a page whose copy moves across with the frames
        const qreal shift = (m_frame % kDots) * 1.5;
        painter.drawRect(QRectF(box.left() + 2, box.top() + 4, 14, 20));
        painter.drawRect(QRectF(box.left() + 8 + shift, box.top() + 8, 14, 20));
        break;
    }
    }
}

} // namespace velloran
