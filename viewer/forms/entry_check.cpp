#include "viewer/forms/entry_check.h"

#include <QAbstractSpinBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QTabWidget>

#include "viewer/forms/number_text.h"

namespace viewer {

QString RefusalText(const QString& label, const QString& text, const QString& rule) {
  return QStringLiteral("%1: \"%2\" is not %3. Nothing was stored.").arg(label, text, rule);
}

bool RefuseEntry(QWidget* form, QWidget* entry, const QString& label, const QString& text, const QString& rule,
                 const RefusalNotice& notice) {
  // The page that holds the entry comes to the front.
  for (QWidget* w = entry; w && w != form; w = w->parentWidget())
    if (auto* pages = qobject_cast<QTabWidget*>(w->parentWidget() ? w->parentWidget()->parentWidget() : nullptr))
      if (pages->indexOf(w) >= 0) pages->setCurrentWidget(w);
  entry->setFocus();
  if (auto* edit = qobject_cast<QLineEdit*>(entry)) edit->selectAll();
  if (auto* spin = qobject_cast<QAbstractSpinBox*>(entry)) spin->selectAll();
  const QString said = RefusalText(label, text, rule);
  if (notice) {
    notice(form, said);
  } else {
    auto* box = new QMessageBox(QMessageBox::Warning, form->windowTitle(), said, QMessageBox::Ok, form);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
  }
  return false;
}

EntrySpinBox::EntrySpinBox(QWidget* parent) : QSpinBox(parent) {}

bool EntrySpinBox::HoldsValue() const {
  const std::optional<int32_t> v = forms::WholeNumber(text());
  return v && *v >= minimum() && *v <= maximum();
}

QValidator::State EntrySpinBox::validate(QString& input, int& pos) const {
  // Anything may be typed; only a number in range becomes the value.
  return QSpinBox::validate(input, pos) == QValidator::Acceptable ? QValidator::Acceptable : QValidator::Intermediate;
}

void EntrySpinBox::fixup(QString&) const {}

void EntrySpinBox::focusOutEvent(QFocusEvent* event) {
  if (HoldsValue())
    QSpinBox::focusOutEvent(event);
  else
    QWidget::focusOutEvent(event);  // kept as typed for the form's check
}

void EntrySpinBox::keyPressEvent(QKeyEvent* event) {
  // Enter with a bad text goes to the form's default button, unchanged.
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && !HoldsValue()) {
    event->ignore();
    return;
  }
  QSpinBox::keyPressEvent(event);
}

}  // namespace viewer
