#include "viewer/widgets/scale_edit.h"

#include <QLineEdit>

#include "viewer/core/names.h"

namespace viewer {
namespace {
constexpr int kLowest = -25, kHighest = 25;
}

ScaleEdit::ScaleEdit(QWidget* owner) : QAbstractSpinBox(owner) {
  setWrapping(false);
  setKeyboardTracking(true);
  lineEdit()->setText("1");
  connect(lineEdit(), &QLineEdit::textChanged, this, [this](const QString&) {
    bool ok = false;
    const int v = Text().trimmed().toInt(&ok);
    if (ok) position_ = v;
    if (OnChange) OnChange();
  });
}

QString ScaleEdit::Text() const { return lineEdit()->text(); }

void ScaleEdit::SetText(const QString& text) {
  if (lineEdit()->text() != text) lineEdit()->setText(text);
}

int ScaleEdit::Value() const {
  bool ok = false;
  const int v = Text().trimmed().toInt(&ok);
  return ok ? v : position_;
}

void ScaleEdit::stepBy(int steps) {
  if (OnStep) {
    OnStep(steps);
    return;
  }
  SetText(QString::number(Clamp(kLowest, Value() + steps, kHighest)));
}

void ScaleEdit::SetStepsEnabled(bool up, bool down) {
  upEnabled_ = up;
  downEnabled_ = down;
  update();
}

QAbstractSpinBox::StepEnabled ScaleEdit::stepEnabled() const {
  if (!isEnabled()) return StepNone;
  StepEnabled enabled = StepNone;
  if (upEnabled_) enabled |= StepUpEnabled;
  if (downEnabled_) enabled |= StepDownEnabled;
  return enabled;
}

QValidator::State ScaleEdit::validate(QString&, int&) const { return QValidator::Acceptable; }

}  // namespace viewer
