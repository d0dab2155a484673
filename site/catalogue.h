#pragma once
#include <QString>
#include <QStringList>
#include <vector>

namespace site {

// One title of the sample catalogue (site/catalogue.json).
struct Title {
  int key = 0;
  QString name, cover, actors, region, status, year, added, description;
  int category = 0;
  int clip_seconds = 0;  // above 0: its episodes are clips of this length (else the short ones)
  QStringList files;     // episode file names in episode order

  QString display_name() const { return name.section('/', 0, 0); }
};

// Reads the catalogue; empty (with a reason) when the file is missing or malformed.
std::vector<Title> load_catalogue(const QString& path, QString* error);

// Names of the categories of the shipped catalogue database, by id.
QString category_name(int id);

}  // namespace site
