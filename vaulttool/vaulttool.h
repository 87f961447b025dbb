#ifndef VAULTTOOL_H
#define VAULTTOOL_H

#include <QByteArray>
#include <QString>
#include <QStringList>

// passwordmanager-vault: checks, backs up, exports and imports the window
// program's vault from the command line. Exit status 0 on success, 1 for a
// problem with the vault or the input, 2 for a usage error.
class VaultTool
{
public:
    int run(const QStringList &arguments);

private:
    int check();
    int backup(const QString &destination);
    int exportEntries();
    int importEntries(const QString &csvPath);

    bool openVault(bool writable);
    bool unlock();
    bool readPassword(QByteArray *line) const;
    bool writeOut(const QByteArray &bytes);
    static QString entryCountText(int count);
    static int usageError(const QString &message);
    static int fail(const QString &message);
    static void printError(const QString &message);

    QString vaultPath;
    bool passwordFromStandardInput = false;
    bool replace = false;
    QString outputPath;
    QByteArray key;
};

#endif // VAULTTOOL_H
