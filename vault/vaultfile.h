#ifndef PM_VAULTFILE_H
#define PM_VAULTFILE_H

#include <QSqlDatabase>
#include <QString>

// The one file that holds the vault, relative to the working directory.
class VaultFile
{
public:
    static QString name();

    // A first start, also one cut short, leaves a file that holds none but
    // this program's tables, some of them missing: those are made together
    // or not at all. A file holding any other table is never changed. False
    // if the missing tables could not be made.
    static bool createMissingTables(QSqlDatabase &db);

private:
    static bool isOwnTable(const QSqlDatabase &db, const QString &table);
    static bool run(QSqlDatabase &db, const QString &statement);
};

#endif // PM_VAULTFILE_H
