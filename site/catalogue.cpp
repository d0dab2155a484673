#include "site/catalogue.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace site {

namespace {

QStringList episode_names(const QJsonObject& o) {
  QStringList files;
  for (const auto& f : o.value("files").toArray()) files << f.toString();
  if (!files.isEmpty()) return files;
  const QString stem = o.value("stem").toString(o.value("name").toString().section('/', 0, 0));
  const QString ext = o.value("ext").toString(QStringLiteral(".rmvb"));
  const int count = o.value("episodes").toInt(1);
  const int width = count >= 100 ? 3 : 2;
  for (int i = 1; i <= count; ++i)
    files << QStringLiteral("%1-第%2集%3").arg(stem).arg(i, width, 10, QChar('0')).arg(ext);
  return files;
}

}  // namespace

std::vector<Title> load_catalogue(const QString& path, QString* error) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    *error = "cannot read " + path;
    return {};
  }
  QJsonParseError parse{};
  const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &parse);
  if (parse.error != QJsonParseError::NoError) {
    *error = path + ": " + parse.errorString();
    return {};
  }
  std::vector<Title> titles;
  for (const auto& v : doc.object().value("titles").toArray()) {
    const QJsonObject o = v.toObject();
    Title t;
    t.key = o.value("key").toInt();
    t.name = o.value("name").toString();
    t.cover = o.value("cover").toString(QStringLiteral("local"));
    t.actors = o.value("actors").toString();
    t.category = o.value("category").toInt();
    t.region = o.value("region").toString();
    t.status = o.value("status").toString();
    t.year = o.value("year").toString();
    t.added = o.value("added").toString();
    t.description = o.value("description").toString();
    t.files = episode_names(o);
    t.clip_seconds = o.value("clip_seconds").toInt(0);
    titles.push_back(t);
  }
  return titles;
}

QString category_name(int id) {
  static const char* names[] = {"",       "动作片", "喜剧片",   "爱情片", "科幻片",   "恐怖片",  "剧情片",
                                "战争片", "纪录片", "动画电影", "微电影", "经典老片", "国产剧",  "港台剧",
                                "日韩剧", "欧美剧", "动漫连载", "演唱会", "综艺节目", "少儿节目"};
  return id > 0 && id < 20 ? QString::fromUtf8(names[id]) : QStringLiteral("其他");
}

}  // namespace site
