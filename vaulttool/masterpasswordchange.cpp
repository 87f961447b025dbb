// Every stored value sealed again under a new master key, in one transaction.

#include "vaulttool/masterpasswordchange.h"

#include "vault/masterpassword.h"
#include "vault/sqlerrortext.h"
#include "vault/storedsecret.h"
#include "vault/vaultentries.h"
#include "vault/vaultstatements.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>

namespace {
bool failWith(const QSqlError &sqlError, QString *error)
{
    *error = sqlErrorText(sqlError);
    return false;
}
}

MasterPasswordChange::MasterPasswordChange(const QByteArray &currentKey, const MasterPassword &next)
    : currentKey(currentKey)
    , nextKey(next.key())
    , nextCheckValue(next.checkValue())
{
}

bool MasterPasswordChange::run(QStringList *damaged, QString *error)
{
    QSqlDatabase vault = QSqlDatabase::database();
    if (!vault.transaction())
        return failWith(vault.lastError(), error);
    // A first pass that only reads, so that an entry found damaged late
    // stops the change before anything is written; then each row on its own,
    // so that no clear value outlives its entry.
    const bool changed = findEntries(damaged, error)
        && std::all_of(rowids.cbegin(), rowids.cend(), [&](qint64 rowid) { return reseal(rowid, error); })
        && replaceCheckValue(error);
    if (changed && vault.commit())
        return true;
    if (changed)
        failWith(vault.lastError(), error);
    vault.rollback();
    return false;
}

int MasterPasswordChange::entryCount() const
{
    return rowids.size();
}

bool MasterPasswordChange::findEntries(QStringList *damaged, QString *error)
{
    QSqlQuery rows;
    rows.setForwardOnly(true);
    if (!rows.exec(VaultStatements::selectSealedEntries()))
        return failWith(rows.lastError(), error);
    QByteArray pass;
    QByteArray info;
    QString problem;
    while (rows.next()) {
        const VaultEntries::Stored stored{rows.value(VaultStatements::SealedId).toString(),
                                          rows.value(VaultStatements::SealedRowid).toLongLong(),
                                          {},
                                          {},
                                          rows.value(VaultStatements::SealedPass).toByteArray(),
                                          rows.value(VaultStatements::SealedInfo).toByteArray()};
        if (VaultEntries::openWhole(stored, currentKey, &pass, &info, &problem))
            rowids << stored.rowid;
        else
            *damaged << problem;
    }
    if (rows.lastError().isValid())
        return failWith(rows.lastError(), error);
    if (damaged->isEmpty())
        return true;
    *error = QStringLiteral("not every entry opens under the current master password");
    return false;
}

bool MasterPasswordChange::reseal(qint64 rowid, QString *error) const
{
    QSqlQuery query;
    query.setForwardOnly(true);
    if (!query.exec(VaultStatements::selectSealedValues(rowid)) || !query.next())
        return failWith(query.lastError(), error);
    // The first pass found them whole, and within one transaction they
    // cannot have changed since.
    const QByteArray pass = StoredSecret::open(query.value(VaultStatements::SealedValuePass).toByteArray(), currentKey);
    const QByteArray info = StoredSecret::open(query.value(VaultStatements::SealedValueInfo).toByteArray(), currentKey);
    const QString sealedPass = StoredSecret::seal(pass, nextKey);
    const QString sealedInfo = StoredSecret::seal(info, nextKey);
    return query.exec(VaultStatements::updateSealedValues(sealedPass, sealedInfo, rowid))
        || failWith(query.lastError(), error);
}

bool MasterPasswordChange::replaceCheckValue(QString *error) const
{
    QSqlQuery query;
    return query.exec(VaultStatements::updateCheckValue(nextCheckValue)) || failWith(query.lastError(), error);
}
