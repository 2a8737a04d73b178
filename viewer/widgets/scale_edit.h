#pragma once
// The zoom edit with its up-down: free text (a whole number is a scale);
// the arrows step the number shown, within the up-down's range.
#include <QAbstractSpinBox>
#include <functional>

namespace viewer {

class ScaleEdit : public QAbstractSpinBox {
 public:
  explicit ScaleEdit(QWidget* owner = nullptr);

  // The text changed, by the user or by SetText.
  std::function<void()> OnChange;
  // The arrows (or the wheel) asked for steps: up zooms in, down zooms out.
  // Without a listener the arrows step the number shown.
  std::function<void(int steps)> OnStep;

  QString Text() const;
  void SetText(const QString& text);
  // The up-down's position: the last whole number shown; no wrap.
  int Position() const { return position_; }
  // The text as a whole number, else the up-down's position.
  int Value() const;
  // Which arrows can step (the scale below its limit, above its least).
  void SetStepsEnabled(bool up, bool down);

  void stepBy(int steps) override;
  StepEnabled stepEnabled() const override;

 protected:
  QValidator::State validate(QString& input, int& pos) const override;

 private:
  int position_ = 1;
  bool upEnabled_ = true;
  bool downEnabled_ = true;
};

}  // namespace viewer
