#pragma once
// Gives a widget (or action) the product's name for it as its objectName and
// hands it back, so a window's controls are created and named in one line.
#include <QString>

template<typename W>
W *named(W *widget, const char *name)
{
    widget->setObjectName(QString::fromUtf8(name));
    return widget;
}
