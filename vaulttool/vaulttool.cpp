#include "vaulttool/vaulttool.h"

#include "formats/entryformats.h"
#include "formats/entrymapping.h"
#include "vault/masterpassword.h"
#include "vault/sqlerrortext.h"
#include "vault/storednames.h"
#include "vault/storedsecret.h"
#include "vault/vaultentries.h"
#include "vault/vaultfile.h"
#include "vault/vaultstatements.h"
#include "vaulttool/passwordinput.h"
#include "vaulttool/privatefile.h"
#include "vaulttool/vaultbackup.h"
#include "vaulttool/vaultcheck.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QVariant>

#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace {
const QString vaultOption = QStringLiteral("vault");
const QString passwordStdinOption = QStringLiteral("password-stdin");
const QString outputOption = QStringLiteral("output");
const QString formatOption = QStringLiteral("format");
const QString skipRefusedOption = QStringLiteral("skip-refused");
const QString forceOption = QStringLiteral("force");
const QString helpOption = QStringLiteral("help");
const QString versionOption = QStringLiteral("version");

// What the window program does when another program holds the vault.
const char waitForLocks[] = "QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=5000";
}

const QVector<VaultTool::Command> &VaultTool::commands()
{
    static const QVector<Command> table{
        {QStringLiteral("check"),
         0,
         {},
         "  check                    read-only health check of the vault\n",
         &VaultTool::check},
        {QStringLiteral("backup"),
         1,
         {forceOption},
         "  backup [--force] DEST    consistent copy of the vault, also while the window\n"
         "                           program has it open; --force replaces DEST\n",
         &VaultTool::backup},
        {QStringLiteral("export"),
         0,
         {formatOption, outputOption},
         "  export [--format FORMAT] [--output FILE]\n"
         "                           every entry in FORMAT: csv (the default), keepass-xml,\n"
         "                           bitwarden-csv or chrome-csv; to standard output\n"
         "                           without --output\n",
         &VaultTool::exportEntries},
        {QStringLiteral("import"),
         1,
         {formatOption, skipRefusedOption},
         "  import [--format FORMAT] [--skip-refused] FILE\n"
         "                           add every entry of FILE (- for standard input) as a\n"
         "                           new entry, all or nothing, or with --skip-refused all\n"
         "                           but those refused; FORMAT: auto (the default: told by\n"
         "                           the file), csv, keepass-xml, keepassxc-csv,\n"
         "                           bitwarden-csv, chrome-csv or firefox-csv\n",
         &VaultTool::importEntries},
    };
    return table;
}

QByteArray VaultTool::usage()
{
    QByteArray text = "Usage: passwordmanager-vault [--vault PATH] [--password-stdin] COMMAND [ARGS]\n"
                      "\n"
                      "Commands:\n";
    for (const Command &command : commands())
        text += command.usage;
    return text
        + "\n"
          "Options:\n"
          "  --vault PATH             the vault (default: db.db in the working directory)\n"
          "  --password-stdin         read the master password as one line from standard input\n"
          "  --help, --version\n";
}

int VaultTool::run(const QStringList &arguments)
{
    parser.addOptions({{vaultOption, QString(), QStringLiteral("PATH"), VaultFile::name()},
                       {passwordStdinOption, QString()},
                       {outputOption, QString(), QStringLiteral("FILE")},
                       {formatOption, QString(), QStringLiteral("FORMAT")},
                       {skipRefusedOption, QString()},
                       {forceOption, QString()},
                       {{QStringLiteral("h"), helpOption}, QString()},
                       {versionOption, QString()}});
    if (!parser.parse(arguments))
        return usageError(parser.errorText());
    QString error;
    if (parser.isSet(helpOption))
        return writeOut(usage(), &error) ? 0 : fail(error);
    if (parser.isSet(versionOption)) {
        const QByteArray version = QCoreApplication::applicationVersion().toUtf8();
        return writeOut("passwordmanager-vault " + version + '\n', &error) ? 0 : fail(error);
    }
    vaultPath = parser.value(vaultOption);
    passwordFromStandardInput = parser.isSet(passwordStdinOption);

    const QStringList words = parser.positionalArguments();
    if (words.isEmpty())
        return usageError(QStringLiteral("no command given"));
    for (const Command &command : commands()) {
        if (command.name != words.first())
            continue;
        const QStringList files = words.mid(1);
        if (!takes(command, files))
            return usageError(QStringLiteral("wrong arguments for %1").arg(command.name));
        return (this->*command.run)(files);
    }
    return usageError(QStringLiteral("unknown command %1").arg(words.first()));
}

bool VaultTool::takes(const Command &command, const QStringList &files) const
{
    const QStringList common{vaultOption, passwordStdinOption};
    const QStringList given = parser.optionNames();
    return files.size() == command.fileCount && std::all_of(given.cbegin(), given.cend(), [&](const QString &name) {
               return common.contains(name) || command.options.contains(name);
           });
}

int VaultTool::check(const QStringList &)
{
    QString error;
    if (!openVault(false, &error))
        return fail(error);
    const QStringList fileProblems = VaultCheck::fileProblems();
    for (const QString &problem : fileProblems)
        printError(problem);
    if (!VaultCheck::hasTables())
        return 1;
    if (!unlock(&error))
        return fail(error);
    int entryCount = 0;
    QStringList unclean;
    QSqlDatabase::database().transaction();
    const bool read = VaultCheck::checkEntries(key, &entryCount, &unclean, &error);
    QSqlDatabase::database().rollback();
    if (!read)
        return fail(error);
    for (const QString &entry : unclean)
        printError(entry);
    const QString cleanness
        = unclean.isEmpty() ? QStringLiteral("all clean") : QStringLiteral("%1 not clean").arg(unclean.size());
    if (!writeOut(QStringLiteral("%1, %2\n").arg(entryCountText(entryCount), cleanness).toUtf8(), &error))
        return fail(error);
    return unclean.isEmpty() && fileProblems.isEmpty() ? 0 : 1;
}

int VaultTool::backup(const QStringList &files)
{
    QString error;
    if (!openVault(false, &error) || !VaultBackup::copyTo(files.first(), parser.isSet(forceOption), &error))
        return fail(error);
    return 0;
}

int VaultTool::exportEntries(const QStringList &)
{
    const QString format = parser.isSet(formatOption) ? parser.value(formatOption) : QStringLiteral("csv");
    if (!EntryFormats::writable().contains(format)) {
        return usageError(EntryFormats::readable().contains(format)
                              ? QStringLiteral("%1 is a format to import from, not to export to").arg(format)
                              : QStringLiteral("unknown format %1").arg(format));
    }
    if (parser.isSet(outputOption) && parser.value(outputOption).isEmpty())
        return usageError(QStringLiteral("--output needs a file name"));
    const std::unique_ptr<EntryWriter> writer = EntryFormats::writer(format);
    if (!writer)
        return fail(QStringLiteral("%1 is not built into this program").arg(format));
    QString error;
    if (!openVault(false, &error) || !unlock(&error))
        return fail(error);
    QByteArray out = writer->header();
    QStringList refusals;
    QStringList warnings;
    QSqlDatabase::database().transaction();
    const bool read = VaultEntries::forEach(
        [&](const VaultEntries::Stored &stored, QString *) {
            QByteArray pass, info;
            QString problem;
            if (!VaultEntries::openWhole(stored, key, &pass, &info, &problem)
                || !writer->write(stored.id, VaultEntries::shown(stored, pass, info), &out, &problem))
                refusals << problem;
            if (stored.domain.contains(QChar(0)) || stored.login.contains(QChar(0)))
                warnings << QStringLiteral("entry %1: its domain or login holds a zero byte, which an import refuses")
                                .arg(stored.id);
            return true;
        },
        &error);
    QSqlDatabase::database().rollback();
    if (!read)
        return fail(error);
    for (const QString &refusal : refusals)
        printError(refusal);
    if (!refusals.isEmpty())
        return fail(QStringLiteral("%1 cannot be exported; nothing was written").arg(entryCountText(refusals.size())));
    out += writer->footer();
    if (!parser.isSet(outputOption)) {
        if (!writeOut(out, &error))
            return fail(error);
    } else {
        PrivateFile file(parser.value(outputOption), false);
        if (!file.create(&error) || !file.write(out, &error) || !file.publish(&error))
            return fail(error);
    }
    for (const QString &warning : warnings + writer->warnings())
        printError(QStringLiteral("warning: %1").arg(warning));
    printError(QStringLiteral("warning: the export holds every password in clear text"));
    return 0;
}

int VaultTool::importEntries(const QStringList &files)
{
    const QString format = parser.isSet(formatOption) ? parser.value(formatOption) : EntryFormats::automatic;
    if (format != EntryFormats::automatic && !EntryFormats::readable().contains(format))
        return usageError(QStringLiteral("unknown format %1").arg(format));
    const std::unique_ptr<EntryReader> reader = EntryFormats::reader(format);
    if (!reader)
        return fail(QStringLiteral("%1 is not built into this program").arg(format));
    const QString path = files.first();
    const bool standardInput = path == QLatin1String("-");
    const QString name = standardInput ? QStringLiteral("standard input") : path;
    QFile input(path);
    if (!(standardInput ? input.open(STDIN_FILENO, QIODevice::ReadOnly, QFileDevice::DontCloseHandle)
                        : input.open(QIODevice::ReadOnly)))
        return fail(QStringLiteral("cannot read %1: %2").arg(name, input.errorString()));
    // First, since standard input may hold the master password before the
    // entries.
    QString error;
    if (!openVault(true, &error) || !unlock(&error))
        return fail(error);
    QVector<Entry> entries;
    QStringList refused;
    QStringList warnings;
    const auto take = [&entries, &refused](const PeerEntry &peer) {
        Entry entry;
        QString refusal;
        if (EntryMapping::toEntry(peer, &entry, &refusal))
            entries << entry;
        else
            refused << refusal;
    };
    if (!reader->read(&input, take, &refused, &warnings, &error))
        return fail(QStringLiteral("%1: %2; nothing was imported").arg(name, error));
    for (const QString &warning : warnings)
        printError(QStringLiteral("%1: warning: %2").arg(name, warning));
    const bool skipRefused = parser.isSet(skipRefusedOption);
    for (const QString &refusal : refused)
        printError(
            QStringLiteral("%1: %2%3").arg(name, refusal, skipRefused ? QStringLiteral("; skipped") : QString()));
    if (!refused.isEmpty() && !skipRefused)
        return fail(QStringLiteral("%1: %2 refused; nothing was imported").arg(name, entryCountText(refused.size())));
    if (!VaultEntries::addAll(entries, key, &error))
        return fail(QStringLiteral("cannot store the entries: %1; nothing was imported").arg(error));
    // They are stored, whether or not this can be said.
    if (!writeOut(QStringLiteral("imported %1\n").arg(entryCountText(entries.size())).toUtf8(), &error))
        printError(error);
    return 0;
}

bool VaultTool::openVault(bool writable, QString *error)
{
    // As a URI, so that a missing vault is reported instead of made anew.
    QUrl uri = QUrl::fromLocalFile(QFileInfo(vaultPath).absoluteFilePath());
    uri.setQuery(writable ? QStringLiteral("mode=rw") : QStringLiteral("mode=ro"));
    QSqlDatabase vault = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    vault.setConnectOptions(QString::fromLatin1(waitForLocks));
    vault.setDatabaseName(uri.toString(QUrl::FullyEncoded));
    if (vault.open()) {
        StoredNames::keepStoredText(vault);
        return true;
    }
    *error = QStringLiteral("cannot open the vault %1: %2").arg(vaultPath, vault.lastError().databaseText());
    return false;
}

// As the master password dialog checks a password, on its statement.
bool VaultTool::unlock(QString *error)
{
    QSqlQuery query;
    if (!query.exec(VaultStatements::selectCheckValue()) || !query.next()) {
        *error
            = QStringLiteral("cannot read the master password's check value: %1").arg(sqlErrorText(query.lastError()));
        return false;
    }
    if (query.value(VaultStatements::CheckValueCount).toInt() == 0) {
        *error = QStringLiteral("the vault %1 has no master password yet; "
                                "set one by starting passwordmanager where the vault is")
                     .arg(vaultPath);
        return false;
    }
    QByteArray line;
    if (!readPassword(&line)) {
        *error = passwordFromStandardInput
            ? QStringLiteral("no master password on standard input")
            : QStringLiteral("no terminal to ask for the master password; use --password-stdin");
        return false;
    }
    QByteArray bytes;
    if (!PasswordInput::passwordBytes(line, &bytes, error))
        return false;
    const MasterPassword password(bytes);
    if (!password.matches(query.value(VaultStatements::CheckValueText).toByteArray())) {
        *error = QStringLiteral("wrong master password");
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

bool VaultTool::writeOut(const QByteArray &bytes, QString *error)
{
    if (std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) == size_t(bytes.size())
        && std::fflush(stdout) == 0)
        return true;
    *error = QStringLiteral("cannot write to standard output");
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
