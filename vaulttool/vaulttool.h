#ifndef PM_VAULTTOOL_H
#define PM_VAULTTOOL_H

#include "vault/vaultlock.h"

#include <QByteArray>
#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <QVector>

class PrivateFile;

// passwordmanager-vault: checks, backs up, exports and imports the window
// program's vault, and changes its master password, from the command line.
// Exit status 0 on success, 1 for a problem with the vault or the input, 2
// for a usage error.
class VaultTool
{
public:
    int run(const QStringList &arguments);

private:
    // A command: its name, how many file names follow it, the options it
    // takes besides the common ones, its lines in the usage, and its work.
    struct Command
    {
        QString name;
        int fileCount;
        QStringList options;
        const char *usage;
        int (VaultTool::*run)(const QStringList &files);
    };
    static const QVector<Command> &commands();
    static QByteArray usage();
    bool takes(const Command &command, const QStringList &files) const;

    int check(const QStringList &files);
    int backup(const QStringList &files);
    int exportEntries(const QStringList &files);
    int importEntries(const QStringList &files);
    int changePassword(const QStringList &files);

    bool openVault(bool writable, QString *error);
    bool unlock(QString *error, const QByteArray &prompt = "Master password: ");
    bool readNewPassword(QByteArray *bytes, QString *error) const;
    bool readPassword(const QByteArray &prompt, QByteArray *line, QString *error) const;
    static bool createPrivately(PrivateFile &file, QString *error);
    static bool writeOut(const QByteArray &bytes, QString *error);
    static QString entryCountText(int count);
    static int usageError(const QString &message);
    static int fail(const QString &message);
    static void printError(const QString &message);

    QCommandLineParser parser;
    QString vaultPath;
    bool passwordFromStandardInput = false;
    QByteArray key;
    VaultLock vaultLock;
};

#endif // PM_VAULTTOOL_H
