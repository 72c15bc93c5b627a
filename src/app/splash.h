// The splash window shown while the program builds its windows.
#pragma once

#include <QWidget>

namespace velloran {

class TfSplash : public QWidget {
public:
    TfSplash();

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace velloran
