// A new master password for a vault of many entries with passwordmanager-vault,
// beside the same run's import of those entries into an empty vault and their
// export: each command run as the process it is, in a temporary directory.
// The export made under the new password must be the one made under the old.
//
// Usage: bench_changepassword [entries]   (default 100000)

#include "vault/masterpassword.h"
#include "vault/vaultstatements.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

namespace {

constexpr int defaultEntries = 100000;
constexpr int rounds = 3;

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "bench_changepassword: %s\n", what);
    std::exit(1);
}

// Entries of the lengths people keep: a domain, an e-mail address as the
// login, a generated password of 16 characters, a short note.
QByteArray entriesCsv(int entries)
{
    std::mt19937 random(20260101);
    const QByteArray characters = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789!@#$%^&*";
    QByteArray csv = "domain,login,password,note\r\n";
    for (int entry = 0; entry < entries; ++entry) {
        QByteArray password(16, ' ');
        for (char &c : password)
            c = characters.at(int(random() % unsigned(characters.size())));
        csv += "site-" + QByteArray::number(entry) + ".example,user" + QByteArray::number(uint(random() % 100000))
            + "@example.org," + password + ",recovery codes in the drawer; renew by March\r\n";
    }
    return csv;
}

// An empty vault whose master password is set, as the gate leaves a new one.
void createVault(const QString &path)
{
    QFile::remove(path);
    {
        QSqlDatabase vault = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bench"));
        vault.setDatabaseName(path);
        QSqlQuery query(vault);
        const MasterPassword password("old master password");
        if (!vault.open() || !query.exec(VaultStatements::createDataTable())
            || !query.exec(VaultStatements::createSPassTable())
            || !query.exec(VaultStatements::insertCheckValue(password.checkValue())))
            fail("cannot create the vault");
    }
    QSqlDatabase::removeDatabase(QStringLiteral("bench"));
}

// Seconds the command took, its output kept in the file where one is named.
double timedRun(const QStringList &arguments, const QByteArray &input, const QString &output = QString())
{
    QProcess tool;
    tool.setStandardOutputFile(output.isEmpty() ? QProcess::nullDevice() : output);
    tool.setStandardErrorFile(QProcess::nullDevice());
    const auto start = std::chrono::steady_clock::now();
    tool.start(QStringLiteral(PM_VAULT_TOOL), QStringList{"--vault", "db.db", "--password-stdin"} + arguments);
    tool.write(input);
    tool.closeWriteChannel();
    if (!tool.waitForFinished(-1) || tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0)
        fail("a command failed");
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail("cannot read an export");
    return file.readAll();
}

double median(std::vector<double> seconds)
{
    std::sort(seconds.begin(), seconds.end());
    return seconds[seconds.size() / 2];
}

void print(const char *label, const std::vector<double> &seconds)
{
    const auto [fastest, slowest] = std::minmax_element(seconds.cbegin(), seconds.cend());
    std::printf("%-18s %6.2f s (median of %d; %.2f to %.2f)\n", label, median(seconds), rounds, *fastest, *slowest);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const int entries = argc > 1 ? std::atoi(argv[1]) : defaultEntries;
    QTemporaryDir directory;
    if (entries <= 0 || !directory.isValid() || !QDir::setCurrent(directory.path()))
        fail("cannot enter a temporary directory, or no entries asked for");
    QFile csv(QStringLiteral("entries.csv"));
    if (!csv.open(QIODevice::WriteOnly) || csv.write(entriesCsv(entries)) < 0 || !csv.flush())
        fail("cannot write the entries");

    std::vector<double> imports, exports, changes;
    for (int round = 0; round < rounds; ++round) {
        createVault(QStringLiteral("db.db"));
        imports.push_back(timedRun({"import", "entries.csv"}, "old master password\n"));
        exports.push_back(timedRun({"export"}, "old master password\n", QStringLiteral("before.csv")));
        changes.push_back(timedRun({"change-password"}, "old master password\nnew master password\n"));
        timedRun({"export"}, "new master password\n", QStringLiteral("after.csv"));
        if (contents(QStringLiteral("after.csv")) != contents(QStringLiteral("before.csv")))
            fail("the entries read under the new password are not those read under the old");
    }
    std::printf("entries: %d, each command as a process of its own\n", entries);
    print("import", imports);
    print("export", exports);
    print("change-password", changes);
    std::printf("change-password / (import + export): %.2f\n", median(changes) / (median(imports) + median(exports)));
    return 0;
}
