#pragma once
#include <QDateTime>
#include <QString>

namespace remote {

// The play-data site's base address, without a trailing "/": MORVANE_PLAYDATA when set, else the
// site's (the sample site serves its pages too).
QString playdata_base();

// The first of "rmvb", "rm", "wmv", "avi", "mkv", "qmv", "mp3", "mp4" that occurs in the address.
QString media_type(const QString& address);
// Year, month, day, hour, minute, second as plain numbers one after the other ("2026128930").
QString stamp(const QDateTime& at);

// The script's name cut out of a play-data page ("/1034/1034" of "/playdata/1034/1034.js"), or ""
// when the page names none that is a plain path.
QString script_name(const QString& page);
// The play address a play-data script gives: its QVOD address's size and hash and a file name of
// our making ("tarvex_" stamp "." type); "" when the script holds no QVOD address.
QString play_address(const QString& script, const QDateTime& at);

// What an entered address is, for the engine: only these are handed to it.
bool is_playable_address(const QString& address);
// What the user is told of an address that is none of those.
QString unplayable_message(const QString& address);

}  // namespace remote
