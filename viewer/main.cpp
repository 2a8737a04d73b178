// vornixview: shows one image file (the command-line argument, else the test
// pattern) in the display control.
#include <QApplication>
#include <QMessageBox>
#include <QString>

#include "viewer/core/fennic_binding.h"
#include "viewer/core/image.h"
#include "viewer/core/messages.h"
#include "viewer/core/settings.h"
#include "viewer/widgets/image_viewer.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  viewer::SetMessageHandler([](const std::string& text, viewer::MessageButton button) {
    QString shown = QString::fromLocal8Bit(text.c_str());
    shown.remove(QChar('\r'));
    QMessageBox::critical(nullptr, QApplication::applicationName(), shown,
                          button == viewer::MessageButton::Abort ? QMessageBox::Abort
                                                                 : QMessageBox::Cancel);
  });

  viewer::StartGlobalSettings();
  if (!viewer::CheckLibraryVersion()) return 1;
  viewer::StartImageSettings();

  int result;
  {
    viewer::TImageViewer view;
    view.resize(800, 600);
    viewer::CImage image;
    image.OnChange = [&view](viewer::CImage* changed) {
      view.SetOrientation(changed->GetScanInfo());
      view.SetData(changed->IsEmpty() ? viewer::ImageRecord{} : changed->Record());
    };
    view.show();
    const QStringList args = QApplication::arguments();
    if (args.size() > 1)
      image.Open(args[1].toLocal8Bit().toStdString());
    else
      image.CreateTestPattern();
    view.setWindowTitle(QString::fromLocal8Bit(image.FileName().c_str()));
    result = app.exec();
  }

  viewer::EndImageSettings();
  viewer::EndGlobalSettings();
  return result;
}
