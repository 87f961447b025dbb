#include "testvault.h"

#include "crypto/aescipher.h"
#include "vault/storedsecret.h"
#include "vault/vaultstatements.h"

#include <QCryptographicHash>
#include <QSqlQuery>
#include <QSqlRecord>

#include <utility>

namespace {
const QString inspectorConnection = QStringLiteral("test-inspector");

template <typename Work>
auto withInspector(Work work)
{
    decltype(work(std::declval<QSqlDatabase &>())) result{};
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), inspectorConnection);
        db.setDatabaseName(QStringLiteral("db.db"));
        if (db.open())
            result = work(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(inspectorConnection);
    return result;
}
}

void TestVault::createSchema()
{
    execute(VaultStatements::createDataTable());
    execute(VaultStatements::createSPassTable());
}

void TestVault::setMasterPassword(const QString &password)
{
    const QByteArray bytes = password.toUtf8();
    AesCipher cipher;
    const QByteArray key = cipher.keyFromHex(masterKeyFor(password));
    execute(VaultStatements::insertCheckValue(StoredSecret::seal(bytes, key)));
}

QString TestVault::masterKeyFor(const QString &password)
{
    return QString::fromLatin1(
        QCryptographicHash::hash(password.toUtf8(), QCryptographicHash::Md5).toHex());
}

qint64 TestVault::addEntry(const QString &domain, const QString &login, const QByteArray &pass,
                           const QByteArray &info, const QString &masterKey)
{
    AesCipher cipher;
    const QByteArray key = cipher.keyFromHex(masterKey);
    const QString sql = VaultStatements::insertEntry(domain, login, StoredSecret::seal(pass, key),
                                                     StoredSecret::seal(info, key));
    return withInspector([&](QSqlDatabase &db) -> qint64 {
        QSqlQuery query(db);
        return query.exec(sql) ? query.lastInsertId().toLongLong() : -1;
    });
}

qint64 TestVault::addEntry(const QString &domain, const QString &login)
{
    return addEntry(domain, login, QByteArrayLiteral("pass"), QByteArray(),
                    masterKeyFor(QStringLiteral("master")));
}

bool TestVault::execute(const QString &sql)
{
    return withInspector([&](QSqlDatabase &db) {
        QSqlQuery query(db);
        return query.exec(sql);
    });
}

QList<QVariantList> TestVault::rows(const QString &sql)
{
    return withInspector([&](QSqlDatabase &db) {
        QList<QVariantList> result;
        QSqlQuery query(db);
        query.exec(sql);
        while (query.next()) {
            QVariantList row;
            for (int column = 0; column < query.record().count(); ++column)
                row << query.value(column);
            result << row;
        }
        return result;
    });
}

QStringList TestVault::tableNames()
{
    QStringList names;
    const QString sql = QStringLiteral(
        "SELECT name FROM sqlite_master WHERE type = 'table' AND name <> 'sqlite_sequence' "
        "ORDER BY rowid");
    for (const QVariantList &row : rows(sql))
        names << row.value(0).toString();
    return names;
}

bool TestVault::openDefaultConnection(const QString &options)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    db.setDatabaseName(QStringLiteral("db.db"));
    db.setConnectOptions(options);
    return db.open();
}

void TestVault::closeDefaultConnection()
{
    QSqlDatabase::database(QSqlDatabase::defaultConnection, false).close();
    QSqlDatabase::removeDatabase(QSqlDatabase::defaultConnection);
}
