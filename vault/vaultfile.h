#ifndef PM_VAULTFILE_H
#define PM_VAULTFILE_H

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// The one file that holds the vault, relative to the working directory, and
// the rule that tells a vault from another program's file.
class VaultFile
{
public:
    static QString name();

    // A file that holds both of this program's tables is a vault, whatever
    // else it holds. One that holds nothing, or only some of them, as a first
    // start cut short leaves it, gets the missing ones, together or not at
    // all. Anything else is another program's file, never changed. False for
    // that, and where the missing tables could not be made.
    static bool createMissingTables(QSqlDatabase &db);

private:
    // Each schema object but SQLite's own, as this program's table or other.
    static bool readSchema(const QSqlDatabase &db, QStringList *ownTables, QStringList *others);
    static bool isOwnTable(const QSqlDatabase &db, const QString &type, const QString &name);
    static bool run(QSqlDatabase &db, const QString &statement);
};

#endif // PM_VAULTFILE_H
