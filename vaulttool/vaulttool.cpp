// passwordmanager-vault's commands, their options and their messages.

#include "vaulttool/vaulttool.h"

#include "formats/entryformats.h"
#include "formats/entrymapping.h"
#include "vault/masterpassword.h"
#include "vault/sqlerrortext.h"
#include "vault/storedsecret.h"
#include "vault/vaultentries.h"
#include "vault/vaultfile.h"
#include "vault/vaultstatements.h"
#include "vaulttool/masterpasswordchange.h"
#include "vaulttool/passwordinput.h"
#include "vaulttool/privatefile.h"
#include "vaulttool/vaultbackup.h"
#include "vaulttool/vaultcheck.h"
#include "vaulttool/vaultconnection.h"

#include <QCoreApplication>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <cstdio>
#include <memory>
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
        {QStringLiteral("change-password"),
         0,
         {},
         "  change-password          seal every password and note anew under a new master\n"
         "                           password; with --password-stdin, line 1 is the current\n"
         "                           one, line 2 the new one and line 3, if any, the new again\n",
         &VaultTool::changePassword},
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
    QStringList fileProblems;
    const bool hasTables = VaultCheck::checkFile(&fileProblems);
    for (const QString &problem : fileProblems)
        printError(problem);
    if (!hasTables)
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
    PrivateFile copy(files.first(), parser.isSet(forceOption));
    if (!openVault(false, &error) || !createPrivately(copy, &error) || !VaultBackup::copyTo(copy, &error))
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
    QString error;
    // Made before the password is asked: a folder that cannot take it is
    // said before anyone types one.
    std::unique_ptr<PrivateFile> file;
    if (parser.isSet(outputOption))
        file = std::make_unique<PrivateFile>(parser.value(outputOption), false);
    if (!openVault(false, &error) || (file && !createPrivately(*file, &error)) || !unlock(&error))
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
    if (!file) {
        if (!writeOut(out, &error))
            return fail(error);
    } else if (!file->write(out, &error) || !file->publish(&error)) {
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

int VaultTool::changePassword(const QStringList &)
{
    QString error;
    // Alone before anything is asked: nobody should type passwords for a
    // change that cannot happen.
    if (!openVault(true, &error) || !vaultLock.lockAlone(QSqlDatabase::database(), &error)
        || !unlock(&error, "Current master password: "))
        return fail(error);
    QByteArray bytes;
    if (!readNewPassword(&bytes, &error))
        return fail(error);
    MasterPasswordChange change(key, MasterPassword(bytes));
    QStringList damaged;
    if (!change.run(&damaged, &error)) {
        for (const QString &entry : damaged)
            printError(entry);
        return fail(QStringLiteral("%1; nothing was changed").arg(error));
    }
    const QString done = QStringLiteral("sealed %1 under the new master password\n");
    if (!writeOut(done.arg(entryCountText(change.entryCount())).toUtf8(), &error))
        return fail(error);
    return 0;
}

bool VaultTool::openVault(bool writable, QString *error)
{
    QString note;
    if (!VaultConnection::open(vaultPath, writable, &note, error))
        return false;
    if (!note.isEmpty())
        printError(note);
    return true;
}

// As the master password dialog checks a password, on its statement. The
// lock is held until the tool ends: a change of the master password must
// not happen under the key in use.
bool VaultTool::unlock(QString *error, const QByteArray &prompt)
{
    if (!vaultLock.isHeld() && !vaultLock.lockShared(QSqlDatabase::database(), error))
        return false;
    QSqlQuery query;
    if (!query.exec(VaultStatements::selectCheckValue()) || !query.next()) {
        *error
            = QStringLiteral("cannot read the master password's check value: %1").arg(sqlErrorText(query.lastError()));
        return false;
    }
    const bool hasCheckValue = query.value(VaultStatements::CheckValueCount).toInt() != 0;
    const QByteArray checkValue = query.value(VaultStatements::CheckValueText).toByteArray();
    // An open statement keeps SQLite's read lock, which would stall the
    // window program's writes for as long as the user takes to type.
    query.finish();
    if (!hasCheckValue) {
        *error = QStringLiteral("the vault %1 has no master password yet; "
                                "set one by starting passwordmanager where the vault is")
                     .arg(vaultPath);
        return false;
    }
    QByteArray line;
    if (!readPassword(prompt, &line, error))
        return false;
    QByteArray bytes;
    if (!PasswordInput::passwordBytes(line, &bytes, error))
        return false;
    const MasterPassword password(bytes);
    if (!password.matches(checkValue)) {
        *error = QStringLiteral("wrong master password");
        return false;
    }
    key = password.key();
    return true;
}

// As the master password dialog sets a password: trimmed. Typed on the
// terminal, it is typed twice; on standard input, a second line is a repeat
// that must match.
bool VaultTool::readNewPassword(QByteArray *bytes, QString *error) const
{
    QByteArray line;
    if (!readPassword("New master password: ", &line, error)) {
        *error = QStringLiteral("no new master password given");
        return false;
    }
    if (!PasswordInput::passwordBytes(line, bytes, error, QStringLiteral("the new master password")))
        return false;
    const QString text = StoredSecret::textOf(*bytes);
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) {
        *error = QStringLiteral("the new master password is empty");
        return false;
    }
    QByteArray again;
    const bool repeated = readPassword("New master password again: ", &again, error);
    if ((repeated && again != line) || (!repeated && !passwordFromStandardInput)) {
        *error = QStringLiteral("the new master passwords differ");
        return false;
    }
    if (trimmed != text)
        printError(QStringLiteral("note: the white space around the new master password is left out, "
                                  "as the window program leaves it out of a password it sets"));
    *bytes = StoredSecret::bytesOf(trimmed);
    return true;
}

bool VaultTool::readPassword(const QByteArray &prompt, QByteArray *line, QString *error) const
{
    if (!passwordFromStandardInput)
        return PasswordInput::fromTerminal(prompt, line, error);
    if (PasswordInput::fromStandardInput(line))
        return true;
    *error = QStringLiteral("no master password on standard input");
    return false;
}

bool VaultTool::createPrivately(PrivateFile &file, QString *error)
{
    if (!file.create(error))
        return false;
    for (const QString &warning : file.warnings())
        printError(QStringLiteral("warning: %1").arg(warning));
    return true;
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
