#include "viewer/forms/about_fields.h"

#include <QDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace viewer {

QLabel* AddField(QGridLayout* grid, int row, const char* label, const char* name) {
  auto* caption = new QLabel(QString::fromLatin1(label));
  auto* value = new QLabel;
  value->setObjectName(QString::fromLatin1(name));
  value->setTextFormat(Qt::PlainText);
  value->setTextInteractionFlags(Qt::TextSelectableByMouse);
  grid->addWidget(caption, row, 0);
  grid->addWidget(value, row, 1);
  return value;
}

QString FieldText(const QWidget* form, const char* name) {
  const QLabel* value = form->findChild<QLabel*>(QString::fromLatin1(name));
  return value ? value->text() : QString();
}

QWidget* CloseButtonRow(QDialog* form) {
  auto* row = new QWidget;
  auto* ok = new QPushButton(QStringLiteral("OK"));
  ok->setObjectName(QStringLiteral("bOK"));
  ok->setDefault(true);
  QObject::connect(ok, &QPushButton::clicked, form, &QDialog::accept);
  auto* layout = new QHBoxLayout(row);
  layout->addStretch();
  layout->addWidget(ok);
  layout->addStretch();
  return row;
}

}  // namespace viewer
