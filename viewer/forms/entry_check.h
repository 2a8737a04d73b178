#pragma once
// How every form treats an entry it cannot take: OK and Apply check all
// entries first; the first bad one is shown (its page, its text selected),
// the form says what it expects and that nothing was stored, and the form
// stays open with everything as it was.
#include <QSpinBox>
#include <QString>
#include <functional>

class QWidget;

namespace viewer {

// Says a refusal to the user. The default is a box that does not block the
// caller (the form stays usable beneath it).
using RefusalNotice = std::function<void(QWidget* form, const QString& text)>;

// The text said for an entry: "<label>: "<text>" is not <rule>. Nothing
// was stored."
QString RefusalText(const QString& label, const QString& text, const QString& rule);
// Shows the entry and says the refusal through notice (the default box
// when null). Always false, so a check can return it.
bool RefuseEntry(QWidget* form, QWidget* entry, const QString& label, const QString& text, const QString& rule,
                 const RefusalNotice& notice);

// A spin box whose typed text stays as typed until the form checks it: a
// text outside the range or no number at all is neither blocked nor
// silently set back when the box loses focus.
class EntrySpinBox : public QSpinBox {
 public:
  explicit EntrySpinBox(QWidget* parent = nullptr);
  // The text is a whole number within the range.
  bool HoldsValue() const;

 protected:
  QValidator::State validate(QString& input, int& pos) const override;
  void fixup(QString& input) const override;
  void focusOutEvent(QFocusEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace viewer
