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

  QString Text() const;
  void SetText(const QString& text);
  // The up-down's position: range -25 .. 25, no wrap.
  int Position() const { return position_; }
  // The text as a whole number, else the up-down's position.
  int Value() const;

  void stepBy(int steps) override;

 protected:
  StepEnabled stepEnabled() const override;
  QValidator::State validate(QString& input, int& pos) const override;

 private:
  int position_ = 1;
};

}  // namespace viewer
