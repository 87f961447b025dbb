// Domains and logins read as their stored bytes, whatever those are.

#include "vault/storednames.h"

#include "vault/storedsecret.h"

#include <QHash>
#include <QSqlDriver>
#include <QSqlResult>
#include <QVariant>
#include <QVector>

#include <sqlite3.h>

#include <algorithm>

namespace {
// The driver asks SQLite for the text of a row in UTF-16, and SQLite's
// conversion replaces every byte that is not UTF-8 for good. So the bytes
// are taken as each row comes, before the driver sees it, and kept while
// its statement runs.
thread_local QHash<const sqlite3_stmt *, QVector<QByteArray>> rowTexts;

int keepRowTexts(unsigned event, void *, void *statementHandle, void *)
{
    auto *statement = static_cast<sqlite3_stmt *>(statementHandle);
    // Each row brings texts of its own, and the statement's end drops them.
    rowTexts.remove(statement);
    if (event == SQLITE_TRACE_PROFILE)
        return 0;
    const int columns = sqlite3_column_count(statement);
    for (int column = 0; column < columns; ++column) {
        if (sqlite3_column_type(statement, column) != SQLITE_TEXT)
            continue;
        // Asked for UTF-8, SQLite hands over a UTF-8 vault's bytes as they are.
        const auto *bytes = reinterpret_cast<const char *>(sqlite3_column_text(statement, column));
        const int length = sqlite3_column_bytes(statement, column);
        // ASCII comes through the driver whole, and keeping it would cost
        // every row of the list a copy of its names.
        if (std::all_of(bytes, bytes + length, [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
            continue;
        QVector<QByteArray> &texts = rowTexts[statement];
        texts.resize(columns);
        texts[column] = QByteArray(bytes, length);
    }
    return 0;
}

template <typename Handle> Handle *handleOf(const QVariant &handle, const char *typeName)
{
    return qstrcmp(handle.typeName(), typeName) == 0 ? *static_cast<Handle *const *>(handle.constData()) : nullptr;
}

// A query that can only move forward stands on the row its statement
// stepped to last; any other may show a row read earlier.
QByteArray storedText(const QSqlQuery &query, int column)
{
    const auto *statement = handleOf<sqlite3_stmt>(query.result()->handle(), "sqlite3_stmt*");
    if (!statement || !query.isForwardOnly() || !query.isValid())
        return QByteArray();
    return rowTexts.value(statement).value(column);
}
}

void StoredNames::keepStoredText(const QSqlDatabase &db)
{
    if (sqlite3 *connection = handle(db))
        sqlite3_trace_v2(connection, SQLITE_TRACE_ROW | SQLITE_TRACE_PROFILE, keepRowTexts, nullptr);
}

QString StoredNames::text(const QSqlQuery &query, int column)
{
    const QByteArray text = storedText(query, column);
    if (!text.isNull())
        return StoredSecret::textOf(text);
    const QVariant stored = query.value(column);
    if (stored.type() == QVariant::ByteArray)
        return StoredSecret::textOf(stored.toByteArray());
    return stored.toString();
}

sqlite3 *StoredNames::handle(const QSqlDatabase &db)
{
    return db.driver() ? handleOf<sqlite3>(db.driver()->handle(), "sqlite3*") : nullptr;
}
