#pragma once
#include <QString>
#include <functional>

namespace store {

// Where the compaction writes its status text (the main window's Label1).
using LabelSink = std::function<void(const QString&)>;

// Rewrites mydb.mdb into a fresh copy (newtmp.mdb) and puts the copy in its place, hidden.
// On failure the old file stays as it was and the user is told so.
void compact_db(const LabelSink& label1);

// The "数据库压缩" menu item: the waiting text, then the compaction.
void date_ys_click(const LabelSink& label1);

// The catalogue's periodic clean-up: removes the older rows of every keyID that occurs twice.
inline const QString kDedupStatement = QStringLiteral(
    "delete * from det where keyID in (select keyID from det group by keyID having count(keyID) > 1) and "
    "detailID not in (select max(detailID) from det group by keyID having count(keyId )>1)");

// The periodic clean-up as the timer runs it: the statement runs only when a title row was added
// or re-keyed since its last run, or another program wrote to the file (only those can make a
// duplicate; play positions saved meanwhile do not). True when it ran.
bool dedup_titles();

}  // namespace store
