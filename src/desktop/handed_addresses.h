#pragma once
#include <QString>
#include <QStringList>

class QMimeData;

namespace desktop {

// What the user hands the client to play, as the play flows take addresses: a local file as its
// absolute path (a relative one is taken from `folder`, the starting program's working folder), a
// "file://" address as its path, other addresses (qvod://, http(s)://) as they are. Options of the
// command line ("-...") are left out.
QStringList addresses_from_arguments(const QStringList& arguments, const QString& folder);

// The same for what is dropped on the window: files by their paths, else addresses given as text
// (one per line).
QStringList addresses_from_drop(const QMimeData* data);

// Whether a drop offers anything the client would open.
bool drop_offers_addresses(const QMimeData* data);

}  // namespace desktop
