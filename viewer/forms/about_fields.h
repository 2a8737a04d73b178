#pragma once
// Rows of a read-only label and value text, as the about forms show them.
#include <QString>

class QDialog;
class QGridLayout;
class QLabel;
class QWidget;

namespace viewer {

// Adds "label" and an empty value text named name at the row; returns the
// value. A long value (long: a path) is shown shortened in its middle past
// half the screen's width, whole in its tool tip, so the form never grows
// wider than the screen; its text stays whole.
QLabel* AddField(QGridLayout* grid, int row, const char* label, const char* name, bool mayBeLong = false);
// The value text of that name within the form.
QString FieldText(const QWidget* form, const char* name);
// The single "OK" button row that closes a form.
QWidget* CloseButtonRow(QDialog* form);

}  // namespace viewer
