// The OK and Cancel row every modal dialog of the program ends with.
#pragma once

class QBoxLayout;
class QDialog;
class QPushButton;

namespace velloran {

struct OkCancel {
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
};

// Adds the row to `layout`: OK is the default button and accepts, Cancel rejects.
OkCancel AddOkCancelRow(QDialog& dialog, QBoxLayout& layout);

} // namespace velloran
