#pragma once
#include <QString>
#include <QStringList>
#include <optional>

namespace platform {

// A Windows profile (INI) file: sections and keys compared without regard to case, lines without
// "=" ignored, values trimmed and freed of one pair of enclosing quotes. Every line the program did
// not change is written back byte for byte; a write replaces the file atomically.
class ProfileFile {
 public:
  explicit ProfileFile(QString path);

  bool exists() const;
  // Reads the file again (a missing file reads as empty).
  void load();
  bool save() const;

  std::optional<QString> value(const QString& section, const QString& key) const;
  void set_value(const QString& section, const QString& key, const QString& value);
  bool has_section(const QString& section) const;
  void add_section(const QString& section);

 private:
  int find_section(const QString& section) const;  // index of the header line, or -1
  int section_end(int header) const;               // index after the section's last line
  int find_key(int header, const QString& key) const;

  void insert_line(int at, const QString& text);

  QString path_;
  QStringList lines_;
  // Each line's bytes as read; empty for a line written anew. A line the program did not change is
  // written back as it was, whatever its encoding (nothing becomes a replacement character).
  QList<QByteArray> raw_;
};

// GetPrivateProfileString: copies at most buffer_size - 1 characters of the value (or of the
// default when the file, section or key is absent) into out and returns how many it copied.
int profile_read_string(const QString& section, const QString& key, const QString& default_text, QString& out,
                        int buffer_size, const QString& file);

// WritePrivateProfileString: creates file and section when absent; non-zero on success.
int profile_write_string(const QString& section, const QString& key, const QString& value, const QString& file);

}  // namespace platform
