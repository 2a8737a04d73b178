#include "viewer/app/prompts.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace viewer {
namespace {

QStringList FilterTexts(const std::vector<FileFilter>& filters) {
  QStringList texts;
  for (const FileFilter& f : filters) {
    QString patterns = f.patterns;
    texts << f.description + " (" + patterns.replace(';', ' ') + ")";
  }
  return texts;
}

QString Shown(const std::string& text) {
  QString shown = QString::fromLocal8Bit(text.c_str());
  shown.remove(QChar('\r'));
  return shown;
}

}  // namespace

void QtPrompts::StartIn(const std::string& folder) { next_ = QString::fromLocal8Bit(folder.c_str()); }

std::optional<QString> QtPrompts::Chosen(QFileDialog& dialog) {
  next_.clear();
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  const QString file = dialog.selectedFiles().first();
  folder_ = QFileInfo(file).absolutePath();
  return file;
}

std::optional<std::string> QtPrompts::OpenFile(QWidget* parent, const std::vector<FileFilter>& filters) {
  QFileDialog dialog(parent, QString(), next_.isEmpty() ? folder_ : next_);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilters(FilterTexts(filters));
  const std::optional<QString> file = Chosen(dialog);
  if (!file) return std::nullopt;
  return file->toLocal8Bit().toStdString();
}

std::optional<SaveChoice> QtPrompts::SaveFile(QWidget* parent, const std::vector<FileFilter>& filters,
                                              const std::vector<QString>& extensions) {
  QFileDialog dialog(parent, QString(), next_.isEmpty() ? folder_ : next_);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  const QStringList texts = FilterTexts(filters);
  dialog.setNameFilters(texts);
  // The filter's extension is added before the dialog asks about an
  // existing file.
  auto suffixOf = [&](const QString& filter) {
    const qsizetype i = texts.indexOf(filter);
    return i >= 0 && size_t(i) < extensions.size() ? extensions[size_t(i)].mid(1) : QString();
  };
  dialog.setDefaultSuffix(suffixOf(texts.value(0)));
  QObject::connect(&dialog, &QFileDialog::filterSelected,
                   [&](const QString& filter) { dialog.setDefaultSuffix(suffixOf(filter)); });
  const std::optional<QString> file = Chosen(dialog);
  if (!file) return std::nullopt;
  SaveChoice choice;
  choice.name = file->toLocal8Bit().toStdString();
  choice.filterIndex = static_cast<int>(texts.indexOf(dialog.selectedNameFilter())) + 1;
  if (choice.filterIndex < 1) choice.filterIndex = 1;
  return choice;
}

void QtPrompts::Box(QWidget* parent, BoxKind kind, const std::string& text) {
  if (kind == BoxKind::Error)
    QMessageBox::critical(parent, QApplication::applicationName(), Shown(text), QMessageBox::Abort);
  else
    QMessageBox::information(parent, QApplication::applicationName(), Shown(text), QMessageBox::Ok);
}

bool QtPrompts::Ask(QWidget* parent, const std::string& text) {
  return QMessageBox::question(parent, QApplication::applicationName(), Shown(text),
                               QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

Answer QtPrompts::AskOrCancel(QWidget* parent, const std::string& text) {
  switch (QMessageBox::question(parent, QApplication::applicationName(), Shown(text),
                                QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes)) {
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    default: return Answer::Cancel;
  }
}

}  // namespace viewer
