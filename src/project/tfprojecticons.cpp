// Drawing the project window's icons on a 16-unit grid, so that one drawing serves both sizes.
#include "project/tfprojecticons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <functional>

namespace velloran {
namespace {

using Drawing = std::function<void(QPainter&)>;

QPixmap render(const Drawing& draw, int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 16.0, size / 16.0);
    draw(painter);
    return pixmap;
}

QIcon iconOf(const Drawing& draw) {
    QIcon icon;
    for (int size : {16, 32})
        icon.addPixmap(render(draw, size));
    return icon;
}

QPen outline(const QColor& color, qreal width = 0.8) {
    return QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void folder(QPainter& p, const QColor& fill) {
    p.setPen(outline(fill.darker(170)));
    p.setBrush(fill.darker(115));
    p.drawRoundedRect(QRectF(1.5, 2.5, 6, 3), 1, 1);
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(1.5, 4, 13, 9.5), 1, 1);
}

void page(QPainter& p) {
    p.setPen(outline(QColor(110, 110, 110)));
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygonF({{3, 1}, {10, 1}, {13, 4}, {13, 15}, {3, 15}}));
    p.drawPolyline(QPolygonF({{10, 1}, {10, 4}, {13, 4}}));
}

void textLines(QPainter& p) {
    p.setPen(outline(QColor(170, 170, 170)));
    for (qreal y : {6.5, 8.5, 10.5, 12.5})
        p.drawLine(QPointF(5, y), QPointF(11, y));
}

void htmlMarks(QPainter& p) {
    p.setPen(outline(QColor(30, 100, 200), 1.3));
    p.drawPolyline(QPolygonF({{7, 7}, {5, 9.5}, {7, 12}}));
    p.drawPolyline(QPolygonF({{9, 7}, {11, 9.5}, {9, 12}}));
}

void picture(QPainter& p) {
    p.setPen(outline(QColor(90, 90, 90)));
    p.setBrush(QColor(170, 210, 245));
    p.drawRect(QRectF(1.5, 3, 13, 10));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(70, 160, 70));
    p.drawPolygon(QPolygonF({{2, 12.5}, {6, 7.5}, {9, 10.5}, {11, 8.5}, {14, 12.5}}));
    p.setBrush(QColor(245, 200, 40));
    p.drawEllipse(QPointF(11.5, 5.8), 1.5, 1.5);
}

void project(QPainter& p) {
    folder(p, QColor(110, 150, 220));
    p.setPen(outline(QColor(40, 70, 140)));
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(8, 9), 3, 3);
    p.drawLine(QPointF(5, 9), QPointF(11, 9));
    p.drawLine(QPointF(8, 6), QPointF(8, 12));
}

void padlock(QPainter& p) {
    p.setPen(outline(QColor(120, 20, 20), 1.2));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(1.3, 7, 4.4, 5), 0, 180 * 16);
    p.setPen(outline(QColor(120, 20, 20)));
    p.setBrush(QColor(210, 50, 50));
    p.drawRect(QRectF(0.5, 10, 6, 5.5));
}

Drawing entryDrawing(int imageIndex) {
    switch (imageIndex) {
    case 0:
        return [](QPainter& p) { folder(p, QColor(240, 195, 80)); };
    case 2:
        return [](QPainter& p) {
            page(p);
            htmlMarks(p);
        };
    case 3:
        return picture;
    case 4:
        return project;
    default:
        return [](QPainter& p) {
            page(p);
            textLines(p);
        };
    }
}

void lines(QPainter& p, qreal x, qreal y, int count, qreal step, qreal length) {
    for (int i = 0; i < count; ++i)
        p.drawLine(QPointF(x, y + i * step), QPointF(x + length, y + i * step));
}

void squares(QPainter& p, std::initializer_list<QRectF> rects) {
    p.setBrush(QColor(120, 160, 220));
    for (const QRectF& rect : rects)
        p.drawRect(rect);
}

Drawing toolDrawing(ToolGlyph glyph) {
    switch (glyph) {
    case ToolGlyph::Split:
        return [](QPainter& p) {
            p.setPen(outline(QColor(70, 70, 70)));
            p.setBrush(QColor(240, 195, 80));
            p.drawRect(QRectF(1.5, 2.5, 5, 11));
            p.setBrush(Qt::white);
            p.drawRect(QRectF(6.5, 2.5, 8, 11));
        };
    case ToolGlyph::SmallIcons:
        return [](QPainter& p) {
            p.setPen(outline(QColor(60, 60, 60)));
            squares(p, {{1.5, 2.5, 3, 3}, {8.5, 2.5, 3, 3}, {1.5, 9.5, 3, 3}, {8.5, 9.5, 3, 3}});
            lines(p, 5.5, 4, 2, 7, 1.5);
            lines(p, 12.5, 4, 2, 7, 1.5);
        };
    case ToolGlyph::LargeIcons:
        return [](QPainter& p) {
            p.setPen(outline(QColor(60, 60, 60)));
            squares(p, {{1.5, 3.5, 5.5, 5.5}, {9, 3.5, 5.5, 5.5}});
            lines(p, 1.5, 12, 1, 0, 5.5);
            lines(p, 9, 12, 1, 0, 5.5);
        };
    case ToolGlyph::List:
        return [](QPainter& p) {
            p.setPen(outline(QColor(60, 60, 60)));
            squares(p, {{1.5, 2, 2.5, 2.5}, {1.5, 6.5, 2.5, 2.5}, {1.5, 11, 2.5, 2.5}});
            lines(p, 5.5, 3.3, 3, 4.5, 9);
        };
    case ToolGlyph::Details:
        break;
    }
    return [](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(150, 150, 150));
        p.drawRect(QRectF(1, 1.5, 14, 2.5));
        p.setPen(outline(QColor(60, 60, 60)));
        lines(p, 1.5, 6.5, 4, 2.5, 5);
        lines(p, 8.5, 6.5, 4, 2.5, 5.5);
    };
}

} // namespace

QIcon EntryIcon(int imageIndex, bool checkedOut) {
    const Drawing base = entryDrawing(imageIndex);
    if (!checkedOut)
        return iconOf(base);
    return iconOf([&base](QPainter& p) {
        base(p);
        padlock(p);
    });
}

QIcon ToolIcon(ToolGlyph glyph) {
    return iconOf(toolDrawing(glyph));
}

} // namespace velloran
