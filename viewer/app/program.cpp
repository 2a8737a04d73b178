#include "viewer/app/program.h"

#include <QApplication>
#include <QMessageBox>

#include "viewer/app/main_form.h"
#include "viewer/app/prompts.h"
#include "viewer/core/fennic_binding.h"
#include "viewer/core/messages.h"
#include "viewer/core/settings.h"

namespace viewer {

int RunProgram(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Vornix Image Viewer"));
  SetMessageHandler([](const std::string& text, MessageButton button) {
    QString shown = QString::fromLocal8Bit(text.c_str());
    shown.remove(QChar('\r'));
    QMessageBox::critical(nullptr, QApplication::applicationName(), shown,
                          button == MessageButton::Abort ? QMessageBox::Abort : QMessageBox::Cancel);
  });

  ViewerSettings settings;
  StartGlobalSettings(settings);
  // A refused library ends the program once its message is closed.
  if (!CheckLibraryVersion()) return 1;
  StartImageSettings(settings);

  int result;
  {
    QtPrompts prompts;
    TMainForm form(settings, prompts);
    form.show();
    // Qt has taken its own options out of the arguments by now; a second
    // file argument is ignored.
    const QStringList args = QApplication::arguments();
    std::optional<std::string> file;
    if (args.size() > 1) file = args[1].toLocal8Bit().toStdString();
    form.Start(file);
    result = app.exec();
  }
  EndImageSettings(settings);
  EndGlobalSettings(settings);
  return result;
}

}  // namespace viewer
