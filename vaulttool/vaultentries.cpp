#include "vaulttool/vaultentries.h"

#include "vault/storedsecret.h"
#include "vault/vaultstatements.h"

#include <QSqlDatabase>
#include <QSqlError>

QString VaultEntries::forEach(const Visit &visit)
{
    QSqlQuery list;
    list.setForwardOnly(true);
    list.exec(VaultStatements::selectEntryList());
    while (list.next()) {
        const qint64 id = list.value(0).toLongLong();
        QSqlQuery stored;
        stored.setForwardOnly(true);
        if (!stored.exec(VaultStatements::selectEntry(id)) || !stored.next())
            return QStringLiteral("cannot read entry %1: %2").arg(id).arg(reason(stored.lastError()));
        visit(id, stored);
    }
    if (list.lastError().isValid())
        return QStringLiteral("cannot read the entries: %1").arg(reason(list.lastError()));
    return QString();
}

VaultEntries::Entry VaultEntries::shown(const QSqlQuery &stored, const QByteArray &key)
{
    return {StoredSecret::nameText(stored, 0), StoredSecret::nameText(stored, 1),
            StoredSecret::passText(StoredSecret::open(stored.value(2).toByteArray(), key)),
            StoredSecret::infoText(StoredSecret::open(stored.value(3).toByteArray(), key))};
}

QString VaultEntries::addAll(const QVector<Entry> &entries, const QByteArray &key)
{
    QSqlDatabase vault = QSqlDatabase::database();
    if (!vault.transaction())
        return reason(vault.lastError());
    for (const Entry &entry : entries) {
        QSqlQuery query;
        const QString pass = StoredSecret::seal(StoredSecret::bytesOf(entry.password), key);
        const QString info = StoredSecret::seal(StoredSecret::bytesOf(entry.note), key);
        if (!query.exec(VaultStatements::insertEntry(entry.domain, entry.login, pass, info))) {
            vault.rollback();
            return reason(query.lastError());
        }
    }
    if (vault.commit())
        return QString();
    const QString failure = reason(vault.lastError());
    vault.rollback();
    return failure;
}

QString VaultEntries::reason(const QSqlError &error)
{
    return error.databaseText().isEmpty() ? error.text() : error.databaseText();
}
