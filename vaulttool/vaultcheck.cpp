// The vault's tables, names and stored values checked without changing an entry.

#include "vaulttool/vaultcheck.h"

#include "vault/sqlerrortext.h"
#include "vault/vaultentries.h"
#include "vault/vaultstatements.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

bool VaultCheck::checkFile(QStringList *problems)
{
    QSqlQuery integrity;
    if (!integrity.exec(VaultStatements::checkIntegrity()))
        *problems << QStringLiteral("the integrity check failed: %1").arg(sqlErrorText(integrity.lastError()));
    while (integrity.next()) {
        const QString finding = integrity.value(0).toString();
        if (finding != QLatin1String("ok"))
            *problems << QStringLiteral("integrity: %1").arg(finding);
    }
    // A table is missing only where the list of them could be read.
    QSqlQuery objects;
    QStringList tables;
    objects.exec(VaultStatements::selectSchemaObjects());
    while (objects.next()) {
        if (objects.value(VaultStatements::SchemaType).toString() == QLatin1String("table"))
            tables << objects.value(VaultStatements::SchemaName).toString();
    }
    if (objects.lastError().isValid()) {
        *problems << QStringLiteral("cannot list the tables: %1").arg(sqlErrorText(objects.lastError()));
        return false;
    }
    bool hasTables = true;
    // SQLite finds a table whatever the case of its name.
    for (const QString &table : {QStringLiteral("Data"), QStringLiteral("SPass")}) {
        if (!tables.contains(table, Qt::CaseInsensitive)) {
            *problems << QStringLiteral("the table %1 is missing").arg(table);
            hasTables = false;
        }
    }
    return hasTables;
}

bool VaultCheck::checkEntries(const QByteArray &key, int *entryCount, QStringList *unclean, QString *error)
{
    return VaultEntries::forEach(
        [&](const VaultEntries::Stored &stored, QString *) {
            ++*entryCount;
            QByteArray pass, info;
            QString problem;
            if (!VaultEntries::openWhole(stored, key, &pass, &info, &problem))
                *unclean << problem;
            return true;
        },
        error);
}
