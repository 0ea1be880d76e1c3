// Whether the calling thread may make windows: only the thread of a running QApplication
// can (a QCoreApplication, as in vx without windows, or a worker thread cannot).
#pragma once

#include <QApplication>
#include <QThread>

inline bool VxCanShowWindows()
{
    const auto* App = qobject_cast<QApplication*>(QCoreApplication::instance());
    return App && QThread::currentThread() == App->thread();
}
