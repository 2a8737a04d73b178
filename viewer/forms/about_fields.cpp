#include "viewer/forms/about_fields.h"

#include <QDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QHelpEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QToolTip>
#include <algorithm>

namespace viewer {

namespace {

class LongValue : public QLabel {
 public:
  QSize sizeHint() const override {
    return {std::min(QLabel::sizeHint().width(), Widest()), QLabel::sizeHint().height()};
  }
  QSize minimumSizeHint() const override {
    return {std::min(QLabel::minimumSizeHint().width(), Widest()), QLabel::minimumSizeHint().height()};
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    const QRect area = contentsRect();
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter,
                     fontMetrics().elidedText(text(), Qt::ElideMiddle, area.width()));
  }
  bool event(QEvent* e) override {
    if (e->type() == QEvent::ToolTip) {
      QToolTip::showText(static_cast<QHelpEvent*>(e)->globalPos(), text(), this);
      return true;
    }
    return QLabel::event(e);
  }

 private:
  int Widest() const {
    const QScreen* s = screen();
    return s ? s->availableGeometry().width() / 2 : 400;
  }
};

}  // namespace

QLabel* AddField(QGridLayout* grid, int row, const char* label, const char* name, bool mayBeLong) {
  auto* caption = new QLabel(QString::fromLatin1(label));
  QLabel* value = mayBeLong ? new LongValue : new QLabel;
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
