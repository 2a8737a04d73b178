#pragma once
// The frame both settings forms share: a fixed-size dialog with a page
// control above the buttons OK (store and close), Cancel (close; also
// Escape) and Apply (store and reload; enabled by any change).
#include <QDialog>

#include "viewer/forms/entry_check.h"

class QPushButton;
class QTabWidget;

namespace viewer {

class SettingsDialog : public QDialog {
 public:
  // The settings into the controls, and back.
  virtual void LoadControls() = 0;
  virtual void StoreControls() = 0;
  // Every entry can be stored; else the first bad one is refused
  // (RefuseEntry) and nothing is stored.
  virtual bool CheckEntries() { return true; }
  // How a refused entry is said (default: a box that does not block).
  void SetRefusalNotice(RefusalNotice notice) { notice_ = std::move(notice); }

 protected:
  SettingsDialog(const QString& caption, int clientWidth, int clientHeight, QWidget* parent);

  QTabWidget* Pages() const { return pages_; }
  // Once the pages are built: the size their contents need under the fonts
  // present, at least the design size.
  void FitToContents();
  void SomethingChanged();
  void ChangesStored();  // Apply disabled
  bool Refuse(QWidget* entry, const QString& label, const QString& text, const QString& rule) const;

 private:
  RefusalNotice notice_;
  QSize designSize_;
  QTabWidget* pages_;
  QPushButton* bOK_;
  QPushButton* bCancel_;
  QPushButton* bApply_;
};

}  // namespace viewer
