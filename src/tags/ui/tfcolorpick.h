// The colour palette that drops down under a colour button: sixteen standard colours, the
// current colour, and a way on to the full colour dialog; also the button itself.
#pragma once

#include <QColor>
#include <QDialog>
#include <QFrame>
#include <QPushButton>
#include <QRect>
#include <QToolButton>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>

class QMouseEvent;
class QPaintEvent;

namespace velloran {

// Tag colour codes are 0x00BBGGRR, red in the low byte.
[[nodiscard]] QColor ColorFromCode(std::uint32_t code);
[[nodiscard]] std::uint32_t CodeFromColor(const QColor& color);

// The sixteen standard colours as cells; pressing a cell reports its colour.
class ColorGrid : public QWidget {
    Q_OBJECT

public:
    static constexpr int kColumns = 8;
    static constexpr int kRows = 2;
    static constexpr int kCellSize = 18;
    static constexpr int kCellCount = kColumns * kRows;

    explicit ColorGrid(QWidget* parent = nullptr);

    // Black, maroon, green, olive, navy, purple, teal, gray, silver, red, lime, yellow,
    // blue, fuchsia, aqua, white.
    [[nodiscard]] static QColor cellColor(int index);
    [[nodiscard]] QRect cellRect(int index) const;

signals:
    void colorClicked(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
};

// A lowered panel filled with one colour; pressing it is reported.
class ColorPanel : public QFrame {
    Q_OBJECT

public:
    explicit ColorPanel(QWidget* parent = nullptr);

    [[nodiscard]] QColor color() const { return m_color; }
    void setColor(const QColor& color);

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    QColor m_color = Qt::white;
};

// exec() gives Accepted with the chosen colour in selectedColor(), or Rejected.
class Tfcolorpick : public QDialog {
    Q_OBJECT

public:
    explicit Tfcolorpick(QWidget* parent = nullptr);

    void setSelectedColor(QColor color);
    [[nodiscard]] QColor selectedColor() const;

    // The full colour dialog, started from `initial`; an invalid colour means cancelled.
    std::function<QColor(const QColor& initial, QWidget* parent)> chooseColor;

    ColorGrid* ColorGrid1 = nullptr;
    ColorPanel* pSelcolor = nullptr;
    QPushButton* Button1 = nullptr;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void chooseMore();
};

// A tool button showing a colour; pressing it drops the palette down under it.
class ColorButton : public QToolButton {
    Q_OBJECT

public:
    explicit ColorButton(QWidget* parent = nullptr);

    [[nodiscard]] QColor color() const { return m_color; }
    void setColor(const QColor& color);

    // Lets the user pick starting from `current`; nothing when cancelled.
    std::function<std::optional<QColor>(const QColor& current)> pickColor;

signals:
    // Before the palette opens, so that the owner can bring the button's colour up to date.
    void aboutToPick();
    // Every confirmed pick, also of the colour the button already showed.
    void colorPicked(const QColor& color);

private:
    void dropDown();
    [[nodiscard]] std::optional<QColor> runPalette(const QColor& current);

    QColor m_color = Qt::white;
};

} // namespace velloran
