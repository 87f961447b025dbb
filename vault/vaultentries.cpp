// The vault's entries read, added and updated as the window program does it.

#include "vault/vaultentries.h"

#include "vault/sqlerrortext.h"
#include "vault/storednames.h"
#include "vault/storedsecret.h"
#include "vault/vaultstatements.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

namespace {
bool failWith(const QSqlError &sqlError, QString *error)
{
    if (error)
        *error = sqlErrorText(sqlError);
    return false;
}

struct Sealed
{
    QString pass;
    QString info;
};

Sealed sealed(const Entry &entry, const QByteArray &key)
{
    return {StoredSecret::seal(StoredSecret::bytesOf(entry.password), key),
            StoredSecret::seal(StoredSecret::bytesOf(entry.note), key)};
}

QString insertStatement(const Entry &entry, const QByteArray &key)
{
    const Sealed values = sealed(entry, key);
    return VaultStatements::insertEntry(entry.domain, entry.login, values.pass, values.info);
}
}

bool VaultEntries::read(qint64 id, const QByteArray &key, Entry *entry, QString *error)
{
    QSqlQuery query;
    query.setForwardOnly(true);
    if (!query.exec(VaultStatements::selectEntry(id)))
        return failWith(query.lastError(), error);
    if (!query.next()) {
        *entry = Entry();
        return !query.lastError().isValid() || failWith(query.lastError(), error);
    }
    *entry = {StoredNames::text(query, VaultStatements::EntryDomain),
              StoredNames::text(query, VaultStatements::EntryLogin),
              StoredSecret::passText(StoredSecret::open(query.value(VaultStatements::EntryPass).toByteArray(), key)),
              StoredSecret::infoText(StoredSecret::open(query.value(VaultStatements::EntryInfo).toByteArray(), key))};
    return true;
}

bool VaultEntries::add(const Entry &entry, const QByteArray &key, QString *error)
{
    QSqlQuery query;
    return query.exec(insertStatement(entry, key)) || failWith(query.lastError(), error);
}

bool VaultEntries::update(qint64 id, const Entry &entry, const QByteArray &key, QString *error)
{
    QSqlQuery query;
    const Sealed values = sealed(entry, key);
    if (!query.exec(VaultStatements::updateEntry(entry.domain, entry.login, values.pass, values.info, id)))
        return failWith(query.lastError(), error);
    if (query.numRowsAffected() == 1)
        return true;
    if (error)
        *error = QStringLiteral("the entry is no longer in the vault");
    return false;
}

bool VaultEntries::forEach(const Visit &visit, QString *error)
{
    QSqlQuery rows;
    rows.setForwardOnly(true);
    if (!rows.exec(VaultStatements::selectStoredEntries()))
        return failWith(rows.lastError(), error);
    while (rows.next()) {
        const Stored stored{rows.value(VaultStatements::StoredId).toString(),
                            rows.value(VaultStatements::StoredRowid).toLongLong(),
                            StoredNames::text(rows, VaultStatements::StoredDomain),
                            StoredNames::text(rows, VaultStatements::StoredLogin),
                            rows.value(VaultStatements::StoredPass).toByteArray(),
                            rows.value(VaultStatements::StoredInfo).toByteArray()};
        if (!visit(stored, error))
            return false;
    }
    return !rows.lastError().isValid() || failWith(rows.lastError(), error);
}

bool VaultEntries::openWhole(const Stored &stored, const QByteArray &key, QByteArray *pass, QByteArray *info,
                             QString *problem)
{
    QStringList reasons;
    QString reason;
    if (!StoredSecret::openWhole(stored.pass, key, pass, &reason))
        reasons << QStringLiteral("the password %1").arg(reason);
    if (!StoredSecret::openWhole(stored.info, key, info, &reason))
        reasons << QStringLiteral("the note %1").arg(reason);
    if (reasons.isEmpty())
        return true;
    *problem = QStringLiteral("entry %1: %2").arg(stored.id, reasons.join(QStringLiteral("; ")));
    return false;
}

Entry VaultEntries::shown(const Stored &stored, const QByteArray &pass, const QByteArray &info)
{
    return {stored.domain, stored.login, StoredSecret::passText(pass), StoredSecret::infoText(info)};
}

bool VaultEntries::addAll(const QVector<Entry> &entries, const QByteArray &key, QString *error)
{
    QSqlDatabase vault = QSqlDatabase::database();
    if (!vault.transaction())
        return failWith(vault.lastError(), error);
    for (const Entry &entry : entries) {
        QSqlQuery query;
        if (!query.exec(insertStatement(entry, key))) {
            failWith(query.lastError(), error);
            vault.rollback();
            return false;
        }
    }
    if (vault.commit())
        return true;
    failWith(vault.lastError(), error);
    vault.rollback();
    return false;
}
