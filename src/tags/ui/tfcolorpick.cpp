// The colour palette pop-up, its cells and colour panel, and the colour button that opens it.
#include "tags/ui/tfcolorpick.h"

#include <QColorDialog>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>
#include <array>
#include <qdrawutil.h>

namespace velloran {

namespace {

constexpr std::array<QRgb, ColorGrid::kCellCount> kStandardColors = {
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0x808080,
    0xC0C0C0, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF,
};

// Room around the grid on each side; the pop-up is the grid's width plus twice this.
constexpr int kMargin = 4;

} // namespace

QColor ColorFromCode(std::uint32_t code) {
    return QColor(static_cast<int>(code & 0xFF), static_cast<int>((code >> 8) & 0xFF),
                  static_cast<int>((code >> 16) & 0xFF));
}

std::uint32_t CodeFromColor(const QColor& color) {
    const QRgb rgb = color.rgb();
    return static_cast<std::uint32_t>(qRed(rgb)) | (static_cast<std::uint32_t>(qGreen(rgb)) << 8) |
           (static_cast<std::uint32_t>(qBlue(rgb)) << 16);
}

// ---- The cells ----

ColorGrid::ColorGrid(QWidget* parent) : QWidget(parent) {
    setFixedSize(kColumns * kCellSize, kRows * kCellSize);
    setCursor(Qt::PointingHandCursor);
}

QColor ColorGrid::cellColor(int index) {
    if (index < 0 || index >= kCellCount)
        return {};
    return QColor::fromRgb(kStandardColors[static_cast<std::size_t>(index)]);
}

QRect ColorGrid::cellRect(int index) const {
    return {(index % kColumns) * kCellSize, (index / kColumns) * kCellSize, kCellSize, kCellSize};
}

void ColorGrid::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    for (int index = 0; index < kCellCount; ++index) {
        const QRect cell = cellRect(index).adjusted(1, 1, -1, -1);
        qDrawShadePanel(&painter, cell, palette(), true, 1);
        painter.fillRect(cell.adjusted(1, 1, -1, -1), cellColor(index));
    }
}

void ColorGrid::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint at = event->position().toPoint();
    if (!rect().contains(at))
        return;
    emit colorClicked(cellColor(at.y() / kCellSize * kColumns + at.x() / kCellSize));
}

// ---- The current colour ----

ColorPanel::ColorPanel(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
    setAutoFillBackground(true);
    setColor(m_color);
}

void ColorPanel::setColor(const QColor& color) {
    m_color = color;
    QPalette colors = palette();
    colors.setColor(QPalette::Window, color);
    setPalette(colors);
}

void ColorPanel::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        emit clicked();
}

// ---- The pop-up ----

Tfcolorpick::Tfcolorpick(QWidget* parent)
    : QDialog(parent, Qt::Popup), chooseColor([](const QColor& initial, QWidget* owner) {
          return QColorDialog::getColor(initial, owner);
      }) {
    ColorGrid1 = new ColorGrid(this);
    pSelcolor = new ColorPanel(this);
    Button1 = new QPushButton(QStringLiteral("More..."), this);
    Button1->setAutoDefault(false);

    auto* bottom = new QHBoxLayout;
    bottom->setSpacing(kMargin);
    bottom->addWidget(pSelcolor, 1);
    bottom->addWidget(Button1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
    layout->setSpacing(kMargin);
    layout->addWidget(ColorGrid1);
    layout->addLayout(bottom);
    setFixedSize(ColorGrid1->width() + 2 * kMargin, sizeHint().height());

    connect(ColorGrid1, &ColorGrid::colorClicked, this, [this](const QColor& color) {
        setSelectedColor(color);
        accept();
    });
    connect(pSelcolor, &ColorPanel::clicked, this, &QDialog::accept);
    connect(Button1, &QPushButton::clicked, this, &Tfcolorpick::chooseMore);
}

void Tfcolorpick::setSelectedColor(QColor color) {
    pSelcolor->setColor(color);
}

QColor Tfcolorpick::selectedColor() const {
    return pSelcolor->color();
}

void Tfcolorpick::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    qDrawShadePanel(&painter, rect(), palette(), false, 1);
}

// The pop-up steps aside first: a pop-up still showing would take the colour dialog's
// mouse input, and showing the dialog would close it anyway.
void Tfcolorpick::chooseMore() {
    hide();
    const QColor chosen = chooseColor ? chooseColor(selectedColor(), parentWidget()) : QColor();
    if (!chosen.isValid()) {
        reject();
        return;
    }
    setSelectedColor(chosen);
    accept();
}

// ---- The button ----

ColorButton::ColorButton(QWidget* parent)
    : QToolButton(parent),
      pickColor([this](const QColor& current) { return runPalette(current); }) {
    setIconSize(QSize(24, 14));
    setColor(m_color);
    connect(this, &QToolButton::clicked, this, &ColorButton::dropDown);
}

void ColorButton::setColor(const QColor& color) {
    m_color = color;
    QPixmap swatch(iconSize());
    swatch.fill(color);
    QPainter painter(&swatch);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawRect(swatch.rect().adjusted(0, 0, -1, -1));
    painter.end();
    setIcon(QIcon(swatch));
}

void ColorButton::dropDown() {
    emit aboutToPick();
    const std::optional<QColor> picked = pickColor ? pickColor(m_color) : std::nullopt;
    if (!picked || !picked->isValid())
        return;
    setColor(*picked);
    emit colorPicked(*picked);
}

std::optional<QColor> ColorButton::runPalette(const QColor& current) {
    Tfcolorpick popup(this);
    popup.setSelectedColor(current);
    popup.move(mapToGlobal(QPoint(0, height())));
    if (popup.exec() != QDialog::Accepted)
        return std::nullopt;
    return popup.selectedColor();
}

} // namespace velloran
