#pragma once
// The control a window holds under its product name (its objectName), for
// tests that drive windows the way a user would. A missing control fails
// the running test and answers nullptr.
#include <QObject>
#include <QString>
#include <QTest>

template<typename T>
T *NamedControl(const QObject *window, const char *name)
{
    T *control = window->findChild<T *>(QString::fromUtf8(name));
    [&] { QVERIFY2(control, name); }();
    return control;
}
