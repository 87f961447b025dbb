#include "vaulttool/vaultcheck.h"

#include "vault/sqlerrortext.h"
#include "vault/vaultentries.h"
#include "vault/vaultstatements.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

QStringList VaultCheck::fileProblems()
{
    QStringList problems;
    QSqlQuery integrity;
    if (!integrity.exec(VaultStatements::checkIntegrity()))
        problems << QStringLiteral("the integrity check failed: %1").arg(sqlErrorText(integrity.lastError()));
    while (integrity.next()) {
        const QString finding = integrity.value(0).toString();
        if (finding != QLatin1String("ok"))
            problems << QStringLiteral("integrity: %1").arg(finding);
    }
    for (const QString &table : missingTables())
        problems << QStringLiteral("the table %1 is missing").arg(table);
    return problems;
}

bool VaultCheck::hasTables()
{
    return missingTables().isEmpty();
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

QStringList VaultCheck::missingTables()
{
    // SQLite finds a table whatever the case of its name.
    const QStringList present = QSqlDatabase::database().tables();
    QStringList missing;
    for (const QString &table : {QStringLiteral("Data"), QStringLiteral("SPass")}) {
        if (!present.contains(table, Qt::CaseInsensitive))
            missing << table;
    }
    return missing;
}
