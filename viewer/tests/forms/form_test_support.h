#pragma once
// Helpers of the form tests: the offscreen application, a per-test registry
// folder with the compiled-in settings, and access to named controls.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <string>

#include "testing/registry_folder.h"
#include "viewer/core/settings.h"
#include "viewer/tests/core/test_support.h"

namespace viewer::test {

inline QApplication& App() {
  static int argc = 1;
  static char name[] = "viewer_form_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return new QApplication(argc, argv);
  }();
  return *app;
}

// Each test gets its own registry store and a settings record with the
// compiled-in values.
class FormTest : public ::testing::Test {
 protected:
  FormTest() { App(); }  // before the widgets of a fixture
  template <typename T = QWidget>
  static T* Child(const QWidget& form, const char* name) {
    T* w = form.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  static std::string Text(const QWidget& form, const char* name) {
    if (auto* l = form.findChild<QLabel*>(QString::fromLatin1(name))) return l->text().toStdString();
    if (auto* e = form.findChild<QLineEdit*>(QString::fromLatin1(name))) return e->text().toStdString();
    ADD_FAILURE() << "no text control " << name;
    return {};
  }
  static void Click(const QWidget& form, const char* name) {
    if (auto* b = Child<QAbstractButton>(form, name)) b->click();
  }

  ViewerSettings settings;
  testsupport::RegistryFolder registry_;
};

}  // namespace viewer::test
