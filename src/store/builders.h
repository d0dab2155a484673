#pragma once
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>

namespace store {

// Statement builders. Values come in statement form already (text in apostrophes, dates in
// "#", numbers bare); "|"-separated lists skip the pieces whose value is empty.
// The build_* functions give the statement text, or nothing when a key is not a 32-bit id.
QString build_insert(const QString& table, const QString& fields, const QString& values);
std::optional<QString> build_update(const QString& table, const QString& fields, const QString& values,
                                    const QString& key_field, const QString& key_values);
std::optional<QString> build_delete(const QString& table, const QString& key_field, const QString& key_values);

// open_db, then run the statement on the shared connection; failures are logged, never shown.
void db_insert(const QString& table, const QString& fields, const QString& values);
void db_update(const QString& table, const QString& fields, const QString& values, const QString& key_field,
               const QString& key_values);
void db_delete(const QString& table, const QString& key_field, const QString& key_values);

// open_db, then many rows into one table through one prepared statement whose values are bound
// (never part of its text): whole numbers as integers, everything else as text. Fields are the
// caller's own names. False when a row fails (logged; the rows before it stay, as with db_insert).
bool db_insert_rows(const QString& table, const QStringList& fields, const QList<QVariantList>& rows);

// open_db and run one statement of the client's own; false when it failed (already logged).
bool db_execute(const QString& statement);

}  // namespace store
