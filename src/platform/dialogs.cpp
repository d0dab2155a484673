#include "platform/dialogs.h"

#include <QApplication>
#include <QFile>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPointer>
#include <QTranslator>
#include <cstdio>
#include <utility>

#include "platform/file_dialogs.h"
#include "platform/log.h"
#include "platform/trap.h"

namespace platform {

namespace {

Answer first_button(Buttons b) {
  switch (b) {
    case Buttons::OkCancel: return Answer::Ok;
    case Buttons::YesNo: return Answer::Yes;
    default: return Answer::Ok;
  }
}

QPointer<QWidget>& dialog_parent() {
  static QPointer<QWidget> parent;
  return parent;
}

bool& fatal_shown() {
  static bool shown = false;
  return shown;
}

class BoxDialogs : public Dialogs {
 public:
  Answer message(const QString& text, const QString& title, Buttons buttons) override {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
      std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(text));
      return first_button(buttons);
    }
    QWidget* parent = dialog_parent() ? dialog_parent().data() : QApplication::activeWindow();
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::NoButton, parent);
    switch (buttons) {
      case Buttons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
      case Buttons::OkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
      case Buttons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    }
    switch (box.exec()) {
      case QMessageBox::Cancel: return Answer::Cancel;
      case QMessageBox::Yes: return Answer::Yes;
      case QMessageBox::No: return Answer::No;
      default: return Answer::Ok;
    }
  }
  QString open_file(const QString& filters) override {
    QWidget* parent =
        dialog_parent() && dialog_parent()->isVisible() ? dialog_parent().data() : QApplication::activeWindow();
    return choose_file(parent, filters);
  }
  QString pick_folder(const QString& title) override {
    return choose_folder(QApplication::activeWindow(), title.isEmpty() ? QStringLiteral("Select a folder.") : title);
  }
};

class LoggedDialogs : public Dialogs {
 public:
  LoggedDialogs(QString log, const QString& answers) : log_(std::move(log)) {
    for (const QString& a : answers.split(',', Qt::SkipEmptyParts))
      answers_ << (a.trimmed().contains(':') ? a.trimmed() : a.trimmed().toLower());
  }
  Answer message(const QString& text, const QString& title, Buttons buttons) override {
    log(title + '|' + text);
    if (answers_.isEmpty()) return first_button(buttons);
    const QString a = answers_.takeFirst();
    if (a == QLatin1String("cancel")) return Answer::Cancel;
    if (a == QLatin1String("yes")) return Answer::Yes;
    if (a == QLatin1String("no")) return Answer::No;
    return Answer::Ok;
  }
  QString open_file(const QString& filters) override { return choice("open file|" + filters, QStringLiteral("file:")); }
  QString pick_folder(const QString& title) override {
    return choice("pick folder|" + title, QStringLiteral("folder:"));
  }

 private:
  // A file or folder dialog: logged, and answered by the next answer when it is of that kind.
  QString choice(const QString& line, const QString& kind) {
    log(line);
    if (answers_.isEmpty() || !answers_.first().startsWith(kind)) return {};
    return answers_.takeFirst().mid(kind.size());
  }
  void log(const QString& line) {
    QFile file(log_);
    if (file.open(QIODevice::Append)) file.write((line + '\n').toUtf8());
  }
  QString log_;
  QStringList answers_;
};

Dialogs*& override_dialogs() {
  static Dialogs* d = nullptr;
  return d;
}

}  // namespace

Answer ScriptedDialogs::message(const QString& text, const QString& title, Buttons buttons) {
  shown << title + '|' + text;
  if (answers_.empty()) return first_button(buttons);
  const Answer a = answers_.front();
  answers_.pop_front();
  return a;
}

QString ScriptedDialogs::choice(const QString& line) {
  shown << line;
  if (files_.empty()) return {};
  const QString f = files_.front();
  files_.pop_front();
  return f;
}

QString ScriptedDialogs::open_file(const QString& filters) { return choice(QStringLiteral("open file|") + filters); }

QString ScriptedDialogs::pick_folder(const QString& title) { return choice(QStringLiteral("pick folder|") + title); }

Dialogs& dialogs() {
  if (override_dialogs()) return *override_dialogs();
  const QString log = qEnvironmentVariable("MORVANE_DIALOG_LOG");
  if (!log.isEmpty()) {
    static LoggedDialogs logged(log, qEnvironmentVariable("MORVANE_DIALOG_ANSWERS"));
    return logged;
  }
  static BoxDialogs boxes;
  return boxes;
}

Dialogs* set_dialogs(Dialogs* d) { return std::exchange(override_dialogs(), d); }

void show_message(const QString& text, const QString& title) { dialogs().message(text, title, Buttons::Ok); }

void fatal_message(const QString& text, const QString& title) {
  if (fatal_shown()) {  // asked again from inside the first box's event loop
    log_failure(QStringLiteral("fatal_message"), QStringLiteral("not shown again: ") + text);
    return;
  }
  fatal_shown() = true;
  show_message(text, title);
  end_now(1);
}

bool ending() { return fatal_shown(); }

void set_dialog_parent(QWidget* window) { dialog_parent() = window; }

void install_chinese_translations() {
  auto* qt = new QTranslator(QCoreApplication::instance());
  if (qt->load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QCoreApplication::installTranslator(qt);
  else log_failure(QStringLiteral("translations"), QStringLiteral("qtbase_zh_CN not found"));
}

}  // namespace platform
