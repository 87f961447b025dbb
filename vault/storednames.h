#ifndef PM_STOREDNAMES_H
#define PM_STOREDNAMES_H

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

struct sqlite3;

// Domains and logins are kept as plain text, but other tools may have stored
// bytes, or text that is not UTF-8; both are read by the rule that reads a
// note. The driver would replace every byte of text that is not UTF-8, so
// the stored bytes are taken from SQLite itself, which makes this the one
// place that reaches past Qt's driver to the SQLite handle.
class StoredNames
{
public:
    // Before the first query on the connection.
    static void keepStoredText(const QSqlDatabase &db);
    // The stored bytes of text are at hand only on a forward-only query, on
    // a connection given to keepStoredText.
    static QString text(const QSqlQuery &query, int column);
    static sqlite3 *handle(const QSqlDatabase &db);
};

#endif // PM_STOREDNAMES_H
