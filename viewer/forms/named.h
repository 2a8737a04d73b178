#pragma once
// Controls carry the names the forms' parts are known by, so the owner of a
// form (and a test) finds them with findChild.
#include <QString>

namespace viewer {

template <typename T>
T* Named(T* widget, const char* name, const char* suffix = "") {
  widget->setObjectName(QString::fromLatin1(name) + QString::fromLatin1(suffix));
  return widget;
}

}  // namespace viewer
