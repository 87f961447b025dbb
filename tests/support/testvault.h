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

#include <csignal>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

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

    // A writer killed half-way through its transaction: its changes in the
    // file, the pages they replaced in a hot journal beside it.
    static void interruptWrite(const QString &statements)
    {
        QSqlDatabase::removeDatabase(QSqlDatabase::defaultConnection);
        const QByteArray script = "PRAGMA cache_size = 1; BEGIN; " + statements.toUtf8();
        const pid_t writer = ::fork();
        if (writer == 0) {
            sqlite3 *db = nullptr;
            sqlite3_open("db.db", &db);
            sqlite3_exec(db, script.constData(), nullptr, nullptr, nullptr);
            ::raise(SIGKILL);
        }
        ::waitpid(writer, nullptr, 0);
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
