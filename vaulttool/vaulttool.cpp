#include "vaulttool/vaulttool.h"

#include "vault/masterpassword.h"
#include "vault/storedsecret.h"
#include "vault/vaultfile.h"
#include "vault/vaultstatements.h"
#include "vaulttool/entrycsv.h"
#include "vaulttool/passwordinput.h"
#include "vaulttool/privatefile.h"
#include "vaulttool/vaultbackup.h"
#include "vaulttool/vaultcheck.h"
#include "vaulttool/vaultentries.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>

#include <cstdio>

namespace {
const char usage[] = "Usage: passwordmanager-vault [--vault PATH] [--password-stdin] COMMAND [ARGS]\n"
                     "\n"
                     "Commands:\n"
                     "  check                    read-only health check of the vault\n"
                     "  backup [--force] DEST    consistent copy of the vault, also while the window\n"
                     "                           program has it open; --force replaces DEST\n"
                     "  export [--output FILE]   every entry as CSV (to standard output without --output)\n"
                     "  import FILE              add every row of a CSV file as new entries, all or nothing\n"
                     "\n"
                     "Options:\n"
                     "  --vault PATH             the vault (default: db.db in the working directory)\n"
                     "  --password-stdin         read the master password as one line from standard input\n"
                     "  --help, --version\n";

// What the window program does when another program holds the vault.
const char waitForLocks[] = "QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=5000";
}

int VaultTool::run(const QStringList &arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption vault(QStringLiteral("vault"), QString(), QStringLiteral("PATH"), VaultFile::name());
    const QCommandLineOption passwordStdin(QStringLiteral("password-stdin"));
    const QCommandLineOption output(QStringLiteral("output"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption force(QStringLiteral("force"));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringLiteral("version"));
    parser.addOptions({vault, passwordStdin, output, force, help, version});
    if (!parser.parse(arguments))
        return usageError(parser.errorText());
    if (parser.isSet(help))
        return writeOut(usage) ? 0 : 1;
    if (parser.isSet(version))
        return writeOut("passwordmanager-vault " + QCoreApplication::applicationVersion().toUtf8() + '\n') ? 0 : 1;

    vaultPath = parser.value(vault);
    passwordFromStandardInput = parser.isSet(passwordStdin);
    replace = parser.isSet(force);
    outputPath = parser.value(output);
    const QStringList words = parser.positionalArguments();
    const QString command = words.value(0);
    if (command.isEmpty())
        return usageError(QStringLiteral("no command given"));
    const QStringList commands{QStringLiteral("check"), QStringLiteral("backup"), QStringLiteral("export"),
                               QStringLiteral("import")};
    if (!commands.contains(command))
        return usageError(QStringLiteral("unknown command %1").arg(command));
    const bool takesFile = command == QLatin1String("backup") || command == QLatin1String("import");
    if (words.size() != (takesFile ? 2 : 1) || (parser.isSet(output) && command != QLatin1String("export"))
        || (replace && command != QLatin1String("backup")))
        return usageError(QStringLiteral("wrong arguments for %1").arg(command));
    if (command == QLatin1String("check"))
        return check();
    if (command == QLatin1String("backup"))
        return backup(words.at(1));
    if (command == QLatin1String("export"))
        return exportEntries();
    return importEntries(words.at(1));
}

int VaultTool::check()
{
    if (!openVault(false))
        return 1;
    const QStringList fileProblems = VaultCheck::fileProblems();
    for (const QString &problem : fileProblems)
        printError(problem);
    if (!VaultCheck::hasTables() || !unlock())
        return 1;
    int entryCount = 0;
    QStringList unclean;
    QSqlDatabase::database().transaction();
    const QString failure = VaultCheck::checkEntries(key, &entryCount, &unclean);
    QSqlDatabase::database().rollback();
    if (!failure.isEmpty())
        return fail(failure);
    for (const QString &entry : unclean)
        printError(entry);
    const QString cleanness
        = unclean.isEmpty() ? QStringLiteral("all clean") : QStringLiteral("%1 not clean").arg(unclean.size());
    const bool written = writeOut(QStringLiteral("%1, %2\n").arg(entryCountText(entryCount), cleanness).toUtf8());
    return written && unclean.isEmpty() && fileProblems.isEmpty() ? 0 : 1;
}

int VaultTool::backup(const QString &destination)
{
    if (!openVault(false))
        return 1;
    const QString failure = VaultBackup::copyTo(destination, replace);
    return failure.isEmpty() ? 0 : fail(failure);
}

int VaultTool::exportEntries()
{
    if (!openVault(false) || !unlock())
        return 1;
    QByteArray csv = EntryCsv::header();
    QSqlDatabase::database().transaction();
    const QString failure = VaultEntries::forEach(
        [&](qint64, const QSqlQuery &stored) { csv += EntryCsv::row(VaultEntries::shown(stored, key)); });
    QSqlDatabase::database().rollback();
    if (!failure.isEmpty())
        return fail(failure);
    if (outputPath.isEmpty()) {
        if (!writeOut(csv))
            return 1;
    } else {
        PrivateFile file(outputPath, false);
        if (!file.create() || !file.write(csv) || !file.publish())
            return fail(QStringLiteral("cannot write %1: %2").arg(outputPath, file.errorString()));
    }
    printError(QStringLiteral("warning: the export holds every password in clear text"));
    return 0;
}

int VaultTool::importEntries(const QString &csvPath)
{
    QFile csvFile(csvPath);
    if (!csvFile.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot read %1: %2").arg(csvPath, csvFile.errorString()));
    QVector<VaultEntries::Entry> entries;
    const QString fault = EntryCsv::read(csvFile.readAll(), &entries);
    if (!fault.isEmpty())
        return fail(QStringLiteral("%1: %2; nothing was imported").arg(csvPath, fault));
    if (!openVault(true) || !unlock())
        return 1;
    const QString failure = VaultEntries::addAll(entries, key);
    if (!failure.isEmpty())
        return fail(QStringLiteral("cannot store the entries: %1; nothing was imported").arg(failure));
    return writeOut(QStringLiteral("imported %1\n").arg(entryCountText(entries.size())).toUtf8()) ? 0 : 1;
}

bool VaultTool::openVault(bool writable)
{
    // As a URI, so that a missing vault is reported instead of made anew.
    QUrl uri = QUrl::fromLocalFile(QFileInfo(vaultPath).absoluteFilePath());
    uri.setQuery(writable ? QStringLiteral("mode=rw") : QStringLiteral("mode=ro"));
    QSqlDatabase vault = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    vault.setConnectOptions(QString::fromLatin1(waitForLocks));
    vault.setDatabaseName(uri.toString(QUrl::FullyEncoded));
    if (vault.open()) {
        StoredSecret::keepStoredText(vault);
        return true;
    }
    fail(QStringLiteral("cannot open the vault %1: %2").arg(vaultPath, vault.lastError().databaseText()));
    return false;
}

// As the master password dialog checks a password, on its statement.
bool VaultTool::unlock()
{
    QSqlQuery query;
    if (!query.exec(VaultStatements::selectCheckValue()) || !query.next()) {
        fail(QStringLiteral("cannot read the master password's check value: %1").arg(query.lastError().databaseText()));
        return false;
    }
    if (query.value(0).toInt() == 0) {
        fail(QStringLiteral("the vault %1 has no master password yet; "
                            "set one by starting passwordmanager where the vault is")
                 .arg(vaultPath));
        return false;
    }
    QByteArray line;
    if (!readPassword(&line)) {
        fail(passwordFromStandardInput
                 ? QStringLiteral("no master password on standard input")
                 : QStringLiteral("no terminal to ask for the master password; use --password-stdin"));
        return false;
    }
    const MasterPassword password(StoredSecret::bytesOf(QString::fromLocal8Bit(line)));
    if (!password.matches(query.value(1).toByteArray())) {
        fail(QStringLiteral("wrong master password"));
        return false;
    }
    key = password.key();
    return true;
}

bool VaultTool::readPassword(QByteArray *line) const
{
    if (passwordFromStandardInput)
        return PasswordInput::fromStandardInput(line);
    return PasswordInput::fromTerminal("Master password: ", line);
}

bool VaultTool::writeOut(const QByteArray &bytes)
{
    if (std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) == size_t(bytes.size())
        && std::fflush(stdout) == 0)
        return true;
    printError(QStringLiteral("cannot write to standard output"));
    return false;
}

QString VaultTool::entryCountText(int count)
{
    return count == 1 ? QStringLiteral("1 entry") : QStringLiteral("%1 entries").arg(count);
}

int VaultTool::usageError(const QString &message)
{
    printError(message);
    std::fputs("Try 'passwordmanager-vault --help'.\n", stderr);
    return 2;
}

int VaultTool::fail(const QString &message)
{
    printError(message);
    return 1;
}

void VaultTool::printError(const QString &message)
{
    std::fputs(QStringLiteral("passwordmanager-vault: %1\n").arg(message).toLocal8Bit().constData(), stderr);
}
