#include "viewer/forms/settings_dialog.h"

#include <algorithm>

#include <QHBoxLayout>
#include <QLayout>
#include <QPushButton>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "viewer/forms/named.h"

namespace viewer {

SettingsDialog::SettingsDialog(const QString& caption, int clientWidth, int clientHeight, QWidget* parent)
    : QDialog(parent), designSize_(clientWidth, clientHeight) {
  setWindowTitle(caption);
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setFixedSize(clientWidth, clientHeight);

  pages_ = Named(new QTabWidget, "PageControl");
  bOK_ = Named(new QPushButton(QStringLiteral("&OK")), "bOK");
  bCancel_ = Named(new QPushButton(QStringLiteral("&Cancel")), "bCancel");
  bApply_ = Named(new QPushButton(QStringLiteral("&Apply")), "bApply");
  bOK_->setDefault(true);
  bApply_->setEnabled(false);
  connect(bOK_, &QPushButton::clicked, this, [this] {
    if (!CheckEntries()) return;
    StoreControls();
    accept();
  });
  connect(bCancel_, &QPushButton::clicked, this, [this] { reject(); });
  connect(bApply_, &QPushButton::clicked, this, [this] {
    if (!CheckEntries()) return;
    StoreControls();
    LoadControls();
  });

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(bOK_);
  buttons->addWidget(bCancel_);
  buttons->addWidget(bApply_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(pages_);
  layout->addLayout(buttons);
}

void SettingsDialog::FitToContents() {
  layout()->activate();
  // Wide enough for every tab, so the page row needs no scrolling.
  const int tabs =
      pages_->tabBar()->sizeHint().width() + 2 * pages_->style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
  const QMargins margins = layout()->contentsMargins();
  const int width =
      std::max({designSize_.width(), layout()->minimumSize().width(), tabs + margins.left() + margins.right()});
  const int height = std::max(designSize_.height(), layout()->hasHeightForWidth() ? layout()->totalHeightForWidth(width)
                                                                                  : layout()->totalSizeHint().height());
  setFixedSize(width, height);
}

void SettingsDialog::SomethingChanged() { bApply_->setEnabled(true); }

void SettingsDialog::ChangesStored() { bApply_->setEnabled(false); }

bool SettingsDialog::Refuse(QWidget* entry, const QString& label, const QString& text, const QString& rule) const {
  return RefuseEntry(const_cast<SettingsDialog*>(this), entry, label, text, rule, notice_);
}

}  // namespace viewer
