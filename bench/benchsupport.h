// What the benchmarks share: failing loudly, timing, medians, the peak
// memory, and a vault of many entries stored as the program stores them.

#ifndef PM_BENCHSUPPORT_H
#define PM_BENCHSUPPORT_H

#include "vault/masterpassword.h"
#include "vault/storedsecret.h"
#include "vault/vaultstatements.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

#include <sys/resource.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <numeric>
#include <random>
#include <vector>

namespace Bench {

[[noreturn]] inline void fail(const char *what)
{
    std::fprintf(stderr, "%s: %s\n", program_invocation_short_name, what);
    std::exit(1);
}

inline double secondsOf(const std::function<void()> &work)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    work();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

inline double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// The most this process has held at once, in KiB.
inline long peakKibibytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// db.db in the working directory as the program leaves it: the schema, the
// check value of the master password and `entries` entries, stored in an
// order unrelated to the list's order by domain.
inline void createVault(int entries, const QString &masterPassword)
{
    const QString connection = QStringLiteral("bench-setup");
    const MasterPassword password(StoredSecret::bytesOf(masterPassword));
    const QByteArray key = password.key();
    std::vector<int> numbers(static_cast<std::size_t>(entries));
    std::iota(numbers.begin(), numbers.end(), 0);
    std::mt19937 random(20240601);
    std::shuffle(numbers.begin(), numbers.end(), random);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(QStringLiteral("db.db"));
        if (!db.open())
            fail("cannot create db.db");
        QSqlQuery query(db);
        if (!query.exec(VaultStatements::createDataTable()) || !query.exec(VaultStatements::createSPassTable())
            || !query.exec(VaultStatements::insertCheckValue(password.checkValue())))
            fail("cannot create the schema");
        if (!db.transaction())
            fail("cannot begin the set-up transaction");
        for (int number : numbers) {
            const QString domain = QStringLiteral("site%1.example.org").arg(number, 6, 10, QLatin1Char('0'));
            const QString login = QStringLiteral("user%1").arg(number);
            const QString pass
                = StoredSecret::seal(StoredSecret::bytesOf(QStringLiteral("Pw-%1-x7!q").arg(number * 7919)), key);
            const QString info
                = StoredSecret::seal(StoredSecret::bytesOf(QStringLiteral("Note for entry %1").arg(number)), key);
            if (!query.exec(VaultStatements::insertEntry(domain, login, pass, info)))
                fail("cannot insert an entry");
        }
        if (!db.commit())
            fail("cannot commit the set-up transaction");
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
}

} // namespace Bench

#endif // PM_BENCHSUPPORT_H
