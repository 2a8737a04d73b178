#pragma once
// The main window's file dialogs and message boxes, behind one interface so
// that tests answer them without blocking.
#include <QString>
#include <QStringList>
#include <optional>
#include <string>
#include <vector>

class QFileDialog;
class QWidget;

namespace viewer {

struct FileFilter {
  QString description;
  QString patterns;  // "*.qew;*.tif"
};

struct SaveChoice {
  std::string name;
  int filterIndex = 1;  // 1-based, in the order offered
};

enum class BoxKind { Error, Information };

enum class Answer { Yes, No, Cancel };

class Prompts {
 public:
  virtual ~Prompts() = default;
  // The next file dialog opens in this folder (empty: where it would).
  virtual void StartIn(const std::string& folder) { (void)folder; }
  // The chosen existing file, or nothing when cancelled.
  virtual std::optional<std::string> OpenFile(QWidget* parent, const std::vector<FileFilter>& filters) = 0;
  // The chosen name and filter; extensions[i] is the one filter i + 1 adds.
  virtual std::optional<SaveChoice> SaveFile(QWidget* parent, const std::vector<FileFilter>& filters,
                                             const std::vector<QString>& extensions) = 0;
  // Error boxes have the single button Abort, information boxes OK.
  virtual void Box(QWidget* parent, BoxKind kind, const std::string& text) = 0;
  // Yes/No; true for Yes.
  virtual bool Ask(QWidget* parent, const std::string& text) = 0;
  // Yes/No/Cancel; closing the box cancels. Unless overridden, the Yes/No
  // question of Ask.
  virtual Answer AskOrCancel(QWidget* parent, const std::string& text) {
    return Ask(parent, text) ? Answer::Yes : Answer::No;
  }
};

// The common dialogs and boxes of Qt. A file dialog opens in the folder it
// was told to start in, else in the folder of the file last chosen in one of
// them (at first the working folder).
class QtPrompts : public Prompts {
 public:
  void StartIn(const std::string& folder) override;
  std::optional<std::string> OpenFile(QWidget* parent, const std::vector<FileFilter>& filters) override;
  std::optional<SaveChoice> SaveFile(QWidget* parent, const std::vector<FileFilter>& filters,
                                     const std::vector<QString>& extensions) override;
  void Box(QWidget* parent, BoxKind kind, const std::string& text) override;
  bool Ask(QWidget* parent, const std::string& text) override;
  Answer AskOrCancel(QWidget* parent, const std::string& text) override;

 private:
  // The file chosen in an accepted dialog, or nothing; remembers its folder.
  std::optional<QString> Chosen(QFileDialog& dialog);

  QString folder_;
  QString next_;  // the folder the next dialog starts in
};

}  // namespace viewer
