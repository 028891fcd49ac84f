// Controls carry the names of the form's design (Button1, ComboBox2, ...):
// tests and screen readers find them by these names.
#pragma once

#include <QString>

namespace rq36 {

template <typename W>
W* Named(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

}  // namespace rq36
