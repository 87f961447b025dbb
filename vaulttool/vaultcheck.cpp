#include "vaulttool/vaultcheck.h"

#include "crypto/aescipher.h"
#include "vault/vaultstatements.h"
#include "vaulttool/vaultentries.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

QStringList VaultCheck::fileProblems()
{
    QStringList problems;
    QSqlQuery integrity;
    if (!integrity.exec(VaultStatements::checkIntegrity()))
        problems << QStringLiteral("the integrity check failed: %1").arg(integrity.lastError().databaseText());
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

QString VaultCheck::checkEntries(const QByteArray &key, int *entryCount, QStringList *unclean)
{
    return VaultEntries::forEach([&](qint64 id, const QSqlQuery &stored) {
        ++*entryCount;
        QStringList reasons;
        const QString pass = storedValueProblem(stored.value(2).toByteArray(), key);
        const QString info = storedValueProblem(stored.value(3).toByteArray(), key);
        if (!pass.isEmpty())
            reasons << QStringLiteral("the password %1").arg(pass);
        if (!info.isEmpty())
            reasons << QStringLiteral("the note %1").arg(info);
        if (!reasons.isEmpty())
            *unclean << QStringLiteral("entry %1: %2").arg(id).arg(reasons.join(QStringLiteral("; ")));
    });
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

QString VaultCheck::storedValueProblem(const QByteArray &stored, const QByteArray &key)
{
    const QByteArray value = QByteArray::fromBase64(stored);
    if (value.toBase64() != stored)
        return QStringLiteral("is not Base64 text");
    if (value.size() < 32 || value.size() % 16 != 0)
        return QStringLiteral("is %1 bytes long, which no stored value is").arg(value.size());
    // Encrypting what came out again under the same first block gives the
    // stored blocks back only if their padding was whole and valid.
    AesCipher cipher;
    if (cipher.encryptWithIv(cipher.decrypt(value, key), key, value.left(16)) != value.mid(16))
        return QStringLiteral("does not decrypt under the master key");
    return QString();
}
