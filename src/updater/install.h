#pragma once
#include <QString>
#include <QStringList>

namespace updater {

// The program folder is replaced as a whole set or not at all. Downloads wait in "src/"; install()
// writes a journal of the names first, moves each old file aside into "src/" and the new one in,
// and removes the journal last (the moment the new set counts). A journal found at the next start
// of the updater or the client (a kill or a power cut half-way) is rolled back: the old set returns.
class Installer {
 public:
  explicit Installer(QString program_folder);
  QString staging() const { return folder_ + QStringLiteral("/src"); }
  // Installs the staged files of these plain names; false (and the old set in place) on failure.
  bool install(const QStringList& names);
  // Finishes what an interrupted install left: rolls it back, and clears the set-aside old files.
  // True when there was something to roll back.
  bool recover();
  // Called after each step of an install that changes the program folder (tests stop there).
  static inline void (*after_step)(int step) = nullptr;

 private:
  QString journal() const { return staging() + QStringLiteral("/.install-journal"); }
  void roll_back(const QStringList& entries);
  QString folder_;
};

// A name from the version list that may become a file of the program folder: a plain name, no
// folder, no way out, nothing hidden or odd.
bool plain_name(const QString& name);

// Ends the updater's or the client's start by repairing an interrupted install of this folder.
bool recover_interrupted_install(const QString& program_folder);

}  // namespace updater
