#include "platform/profile.h"

#include <QFile>
#include <QSaveFile>

#include "platform/text_codec.h"

namespace platform {

namespace {

bool is_header(const QString& line) { return line.trimmed().startsWith('['); }

QString header_name(const QString& line) {
  QString t = line.trimmed().mid(1);
  const int close = t.indexOf(']');
  if (close >= 0) t.truncate(close);
  return t.trimmed();
}

bool same_name(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

QString unquote(QString v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) v = v.mid(1, v.size() - 2);
  return v;
}

// A NUL ends a value, as it ends the C string the platform hands back.
QString cut_at_nul(QString v) {
  const int nul = v.indexOf(QChar(0));
  if (nul >= 0) v.truncate(nul);
  return v;
}

}  // namespace

ProfileFile::ProfileFile(QString path) : path_(std::move(path)) { load(); }

bool ProfileFile::exists() const { return QFile::exists(path_); }

void ProfileFile::load() {
  lines_.clear();
  raw_.clear();
  QFile file(path_);
  if (!file.open(QIODevice::ReadOnly)) return;
  const QByteArray bytes = file.readAll();
  for (const QByteArray& raw : bytes.split('\n')) {
    QByteArray line = raw;
    if (line.endsWith('\r')) line.chop(1);
    lines_ << decode_local(line);
    raw_ << raw;
  }
  while (!lines_.isEmpty() && lines_.last().isEmpty()) {
    lines_.removeLast();
    raw_.removeLast();
  }
}

bool ProfileFile::save() const {
  QSaveFile file(path_);
  if (!file.open(QIODevice::WriteOnly)) return false;
  for (int i = 0; i < lines_.size(); ++i) file.write((raw_[i].isNull() ? encode_local(lines_[i]) : raw_[i]) + '\n');
  return file.commit();
}

void ProfileFile::insert_line(int at, const QString& text) {
  lines_.insert(at, text);
  raw_.insert(at, QByteArray());
}

int ProfileFile::find_section(const QString& section) const {
  for (int i = 0; i < lines_.size(); ++i)
    if (is_header(lines_[i]) && same_name(header_name(lines_[i]), section.trimmed())) return i;
  return -1;
}

int ProfileFile::section_end(int header) const {
  int end = header + 1;
  while (end < lines_.size() && !is_header(lines_[end])) ++end;
  return end;
}

int ProfileFile::find_key(int header, const QString& key) const {
  const int end = section_end(header);
  for (int i = header + 1; i < end; ++i) {
    const int eq = lines_[i].indexOf('=');
    if (eq >= 0 && same_name(lines_[i].left(eq).trimmed(), key.trimmed())) return i;
  }
  return -1;
}

std::optional<QString> ProfileFile::value(const QString& section, const QString& key) const {
  const int header = find_section(section);
  if (header < 0) return std::nullopt;
  const int line = find_key(header, key);
  if (line < 0) return std::nullopt;
  const QString& text = lines_[line];
  return cut_at_nul(unquote(text.mid(text.indexOf('=') + 1).trimmed()));
}

bool ProfileFile::has_section(const QString& section) const { return find_section(section) >= 0; }

void ProfileFile::add_section(const QString& section) {
  if (has_section(section)) return;
  if (!lines_.isEmpty()) insert_line(lines_.size(), QString());
  insert_line(lines_.size(), '[' + section + ']');
}

void ProfileFile::set_value(const QString& section, const QString& key, const QString& raw_value) {
  // A line break inside a value would split it into lines of its own.
  QString value = raw_value;
  value.replace('\r', ' ').replace('\n', ' ');
  add_section(section);
  const int header = find_section(section);
  const int line = find_key(header, key);
  if (line >= 0) {
    const QString& old = lines_[line];
    lines_[line] = old.left(old.indexOf('=')).trimmed() + '=' + value;
    raw_[line] = QByteArray();
    return;
  }
  int insert_at = section_end(header);
  while (insert_at > header + 1 && lines_[insert_at - 1].trimmed().isEmpty()) --insert_at;
  insert_line(insert_at, key + '=' + value);
}

int profile_read_string(const QString& section, const QString& key, const QString& default_text, QString& out,
                        int buffer_size, const QString& file) {
  if (buffer_size <= 0) {
    out.clear();
    return 0;
  }
  out = ProfileFile(file).value(section, key).value_or(default_text);
  if (out.size() > buffer_size - 1) {
    out.truncate(buffer_size - 1);
    if (!out.isEmpty() && out.back().isHighSurrogate()) out.chop(1);
  }
  return static_cast<int>(out.size());
}

int profile_write_string(const QString& section, const QString& key, const QString& value, const QString& file) {
  ProfileFile profile(file);
  profile.set_value(section, key, value);
  return profile.save() ? 1 : 0;
}

}  // namespace platform
