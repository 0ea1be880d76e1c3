// The QApplication the window tests run in, and a way to act on a modal window from
// inside its own event loop.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>

#include <gtest/gtest.h>

inline QApplication* WidgetsApp()
{
    static int Argc = 1;
    static char Name[] = "vx_window_tests";
    static char* Argv[] = {Name, nullptr};
    // Without a display the windows are drawn off screen (ctest sets this too).
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication* App = new QApplication(Argc, Argv);
    return App;
}

// Calls Action with the modal dialog once the event loop shows one, trying every 10 ms
// for at most 5 s. Action is to close the dialog; one it leaves open is a failure and is
// rejected 5 s later, so that no test waits for a person.
template <typename TDialog>
void WhenModal(std::function<void(TDialog*)> Action, int Tries = 500)
{
    QTimer::singleShot(Tries == 500 ? 0 : 10, [Action, Tries] {
        if (auto* Dialog = qobject_cast<TDialog*>(QApplication::activeModalWidget())) {
            Action(Dialog);
            QTimer::singleShot(5000, [Left = QPointer<QDialog>(Dialog)] {
                if (Left && Left->isVisible()) {
                    ADD_FAILURE() << "the dialog was left open";
                    Left->reject();
                }
            });
        } else if (Tries > 0) {
            WhenModal<TDialog>(Action, Tries - 1);
        }
    });
}
