#include "vault/vaultfile.h"

#include "vault/vaultstatements.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>

#include <algorithm>

QString VaultFile::name()
{
    return QStringLiteral("db.db");
}

bool VaultFile::createMissingTables(QSqlDatabase &db)
{
    // Listed inside the transaction, so that no other program can add a
    // table between the look and the change.
    if (!db.transaction())
        return false;
    const QStringList tables = db.tables();
    const bool onlyOwnTables
        = std::all_of(tables.cbegin(), tables.cend(), [&db](const QString &table) { return isOwnTable(db, table); });
    const bool made = !onlyOwnTables
        || ((tables.contains(QStringLiteral("Data")) || run(db, VaultStatements::createDataTable()))
            && (tables.contains(QStringLiteral("SPass")) || run(db, VaultStatements::createSPassTable())));
    if (made && db.commit())
        return true;
    db.rollback();
    return false;
}

bool VaultFile::isOwnTable(const QSqlDatabase &db, const QString &table)
{
    // SQLite makes sqlite_sequence along with Data, to keep its ids.
    if (table == QLatin1String("sqlite_sequence"))
        return true;
    const QSqlRecord record = db.record(table);
    QStringList columns;
    for (int column = 0; column < record.count(); ++column)
        columns << record.fieldName(column);
    return (table == QLatin1String("Data") && columns == QStringList({"id", "domain", "login", "pass", "info"}))
        || (table == QLatin1String("SPass") && columns == QStringList("pass"));
}

bool VaultFile::run(QSqlDatabase &db, const QString &statement)
{
    return !db.exec(statement).lastError().isValid();
}
