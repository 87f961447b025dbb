#ifndef TESTVAULT_H
#define TESTVAULT_H

#include <QByteArray>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariantList>

// Reads and writes db.db in the current directory behind the program's back,
// through a connection of its own, to set up a vault and to see what the
// program stored.
class TestVault
{
public:
    static void createSchema();
    static void setMasterPassword(const QString &password);
    static QString masterKeyFor(const QString &password);
    // Stores an entry the way the program does; returns its id.
    static qint64 addEntry(const QString &domain, const QString &login, const QByteArray &pass,
                           const QByteArray &info, const QString &masterKey);
    static qint64 addEntry(const QString &domain, const QString &login = QStringLiteral("login"));

    static bool execute(const QString &sql);
    static QList<QVariantList> rows(const QString &sql);
    static QStringList tableNames();

    // The default connection as the main window opens it, for testing the
    // dialogs on their own.
    static bool openDefaultConnection(const QString &options = QString());
    static void closeDefaultConnection();
};

#endif // TESTVAULT_H
