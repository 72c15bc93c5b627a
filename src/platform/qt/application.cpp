// Catching escaped errors in one place.
#include "platform/qt/application.h"

#include <QMessageBox>
#include <exception>

namespace velloran {

VelloranApplication::VelloranApplication(int& argc, char** argv) : QApplication(argc, argv) {
}

bool VelloranApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        ShowErrorBox(QString::fromUtf8(error.what()));
    } catch (...) {
        ShowErrorBox(QStringLiteral("An unexpected error occurred."));
    }
    return false;
}

void ShowErrorBox(const QString& text) {
    QMessageBox::critical(QApplication::activeWindow(), QApplication::applicationDisplayName(),
                          text);
}

} // namespace velloran
