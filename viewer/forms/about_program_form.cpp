#include "viewer/forms/about_program_form.h"

#include <QApplication>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QStyle>
#include <QVBoxLayout>

#include "fennic/fennic_api.h"
#include "viewer/core/names.h"
#include "viewer/core/settings.h"
#include "viewer/forms/about_fields.h"

namespace viewer {
namespace {

QLabel* Value(const char* name, const QString& text) {
  auto* label = new QLabel(text);
  label->setObjectName(QString::fromLatin1(name));
  return label;
}

QString VersionLine(uint32_t version) {
  return QStringLiteral("Version ") + QString::fromLatin1(VersionText(version).c_str());
}

}  // namespace

TAboutProgramForm::TAboutProgramForm(const ViewerSettings& settings, QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("About the Program"));
  // Only a close button in the title bar.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

  auto* panel = new QFrame;
  panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
  auto* icon = new QLabel;
  icon->setObjectName(QStringLiteral("ProgramIcon"));
  const QIcon programIcon =
      QApplication::windowIcon().isNull() ? style()->standardIcon(QStyle::SP_ComputerIcon) : QApplication::windowIcon();
  icon->setPixmap(programIcon.pixmap(32, 32));
  auto* grid = new QGridLayout(panel);
  grid->addWidget(icon, 0, 0, 2, 1);
  grid->addWidget(new QLabel(QStringLiteral("Vornix Image Viewer")), 0, 1);
  grid->addWidget(Value("stProgramVersion", QStringLiteral("Version ?.??.?")), 0, 2);
  grid->addWidget(new QLabel(QStringLiteral("fennic DLL")), 1, 1);
  grid->addWidget(Value("stDLLVersion", QStringLiteral("Version ?.??.?")), 1, 2);

  auto* memory = Value("SysMemory", QString());
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(panel);
  layout->addWidget(memory);
  layout->addWidget(CloseButtonRow(this));

  // Creation fills the versions and the memory text.
  findChild<QLabel*>(QStringLiteral("stProgramVersion"))->setText(VersionLine(kProgramVersion));
  findChild<QLabel*>(QStringLiteral("stDLLVersion"))->setText(VersionLine(_Version()));
  memory->setText(QString::fromLatin1(SizeText(uint64_t{settings.startupMemory} + HeapInUse()).c_str()) +
                  QStringLiteral(" of memory in use"));
}

}  // namespace viewer
