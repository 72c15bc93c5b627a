// The application object: the one place where an error that escaped a handler is shown
// to the user as a message box with its text, after which the program goes on.
#pragma once

#include <QApplication>

namespace velloran {

class VelloranApplication : public QApplication {
public:
    VelloranApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// Shows the error box for an exception text; used by the event filter above and by
// code that must go on after a failure outside an event handler (start-up).
void ShowErrorBox(const QString& text);

} // namespace velloran
