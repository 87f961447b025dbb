// Which file is a vault, which may be set up as one, and which is left alone.

#include "vault/vaultfile.h"

#include "vault/vaultstatements.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

QString VaultFile::name()
{
    return QStringLiteral("db.db");
}

bool VaultFile::createMissingTables(QSqlDatabase &db)
{
    // Read inside the transaction, so that no other program can add a table
    // between the look and the change.
    if (!db.transaction())
        return false;
    QStringList ownTables;
    QStringList others;
    const bool read = readSchema(db, &ownTables, &others);
    const bool isVault = ownTables.size() == 2;
    const bool made = read
        && (isVault
            || (others.isEmpty()
                && (ownTables.contains(QStringLiteral("Data")) || run(db, VaultStatements::createDataTable()))
                && (ownTables.contains(QStringLiteral("SPass")) || run(db, VaultStatements::createSPassTable()))));
    if (made && db.commit())
        return true;
    db.rollback();
    return false;
}

bool VaultFile::readSchema(const QSqlDatabase &db, QStringList *ownTables, QStringList *others)
{
    QSqlQuery objects(db);
    objects.setForwardOnly(true);
    if (!objects.exec(VaultStatements::selectSchemaObjects()))
        return false;
    while (objects.next()) {
        const QString type = objects.value(VaultStatements::SchemaType).toString();
        const QString name = objects.value(VaultStatements::SchemaName).toString();
        // SQLite's own, such as the sqlite_sequence that comes with Data.
        if (name.startsWith(QLatin1String("sqlite_"), Qt::CaseInsensitive))
            continue;
        (isOwnTable(db, type, name) ? ownTables : others)->append(name);
    }
    return !objects.lastError().isValid();
}

// Named exactly as this program names them, with exactly its columns by
// name, whatever their declared types: another tool may have left the id
// untyped.
bool VaultFile::isOwnTable(const QSqlDatabase &db, const QString &type, const QString &name)
{
    const QStringList wanted = name == QLatin1String("Data") ? QStringList{"id", "domain", "login", "pass", "info"}
        : name == QLatin1String("SPass")                     ? QStringList{"pass"}
                                                             : QStringList();
    if (type != QLatin1String("table") || wanted.isEmpty())
        return false;
    QSqlQuery columns(db);
    columns.setForwardOnly(true);
    QStringList found;
    columns.exec(VaultStatements::selectColumnNames(name));
    while (columns.next())
        found << columns.value(0).toString();
    return found == wanted;
}

bool VaultFile::run(QSqlDatabase &db, const QString &statement)
{
    return !db.exec(statement).lastError().isValid();
}
