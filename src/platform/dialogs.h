#pragma once
#include <QString>
#include <QStringList>
#include <deque>

class QWidget;

namespace platform {

enum class Buttons { Ok, OkCancel, YesNo };
enum class Answer { Ok = 1, Cancel = 2, Yes = 6, No = 7 };

// Modal message boxes. The programs show QMessageBox; tests answer in the user's place.
class Dialogs {
 public:
  virtual ~Dialogs() = default;
  virtual Answer message(const QString& text, const QString& title, Buttons buttons) = 0;
  // The open-file dialog: the file the user chose, or "" when they cancelled. filters: Qt's
  // "name (*.a *.b);;name (*)" form.
  virtual QString open_file(const QString& filters) = 0;
  // The browse-for-folder dialog (file-system folders only): the folder chosen, "" when cancelled.
  // An empty title is "Select a folder.".
  virtual QString pick_folder(const QString& title) = 0;
};

// Answers from a queue (the first button when it runs dry) and remembers what was shown.
class ScriptedDialogs : public Dialogs {
 public:
  Answer message(const QString& text, const QString& title, Buttons buttons) override;
  QString open_file(const QString& filters) override;
  QString pick_folder(const QString& title) override;
  void answer_next(Answer a) { answers_.push_back(a); }
  void choose_next(const QString& file) { files_.push_back(file); }  // a file or a folder
  QStringList shown;  // "title|text" per message, in order; "open file|filters", "pick folder|title" per dialog

 private:
  QString choice(const QString& line);
  std::deque<Answer> answers_;
  std::deque<QString> files_;
};

// The dialogs in force. With MORVANE_DIALOG_LOG set (tests of whole programs) every message is
// appended to that file as "title|text" and answered from MORVANE_DIALOG_ANSWERS ("ok,cancel,...";
// "file:PATH" chooses a file in an open-file dialog, "folder:PATH" a folder in a folder picker).
Dialogs& dialogs();
Dialogs* set_dialogs(Dialogs* d);  // returns the one it replaces; nullptr: back to the default

// Shorthand for the messages with an OK button only.
void show_message(const QString& text, const QString& title);

// A message after which the program ends at once ("配置文件丢失", "系统数据库丢失"). While it is
// up, ending() is true: nothing of the program may start in the box's event loop, and a second
// fatal message in that loop shows nothing and returns (its routine carries on as a failure).
void fatal_message(const QString& text, const QString& title);
bool ending();

// Message boxes are centred on this window (the main window of the program), when there is one.
void set_dialog_parent(QWidget* window);

// Qt's own Chinese texts for standard buttons and dialogs ("确定", "取消").
void install_chinese_translations();

}  // namespace platform
