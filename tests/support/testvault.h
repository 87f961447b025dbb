#ifndef PM_TESTVAULT_H
#define PM_TESTVAULT_H

#include "vault/storedsecret.h"
#include "vault/vaultstatements.h"

#include <QCryptographicHash>
#include <QDir>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QVariant>

// One test's vault. The object moves the process into a fresh empty
// directory, where the program keeps db.db, for as long as it lives. The
// static functions set a vault up the way the program stores one, and read
// what it stored, through the default connection: the one the program's
// dialogs use, opened here if nobody has, and dropped with the object.
class TestVault
{
public:
    TestVault()
    {
        if (!QDir::setCurrent(directory.path()))
            qFatal("no temporary directory to work in");
    }

    ~TestVault()
    {
        QSqlDatabase::removeDatabase(QSqlDatabase::defaultConnection);
        QDir::setCurrent(previous);
    }

    // Both tables, and the check value of the master password.
    static void create(const QString &password = QStringLiteral("master"))
    {
        run(VaultStatements::createDataTable());
        run(VaultStatements::createSPassTable());
        const QByteArray key = QByteArray::fromHex(masterKeyFor(password).toLatin1());
        run(VaultStatements::insertCheckValue(StoredSecret::seal(password.toUtf8(), key)));
    }

    static QString masterKeyFor(const QString &password = QStringLiteral("master"))
    {
        return QString::fromLatin1(QCryptographicHash::hash(password.toUtf8(), QCryptographicHash::Md5).toHex());
    }

    // Under the master key of "master".
    static void addEntry(const QString &domain, const QString &login, const QByteArray &pass,
                         const QByteArray &info = QByteArray())
    {
        const QByteArray key = QByteArray::fromHex(masterKeyFor().toLatin1());
        run(VaultStatements::insertEntry(domain, login, StoredSecret::seal(pass, key), StoredSecret::seal(info, key)));
    }

    // The first column of the first row the statement gives, if any.
    static QVariant run(const QString &sql)
    {
        if (!QSqlDatabase::contains())
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE")).setDatabaseName(QStringLiteral("db.db"));
        QSqlQuery query(sql, QSqlDatabase::database());
        return query.next() ? query.value(0) : QVariant();
    }

private:
    const QString previous = QDir::currentPath();
    QTemporaryDir directory;
};

#endif // PM_TESTVAULT_H
