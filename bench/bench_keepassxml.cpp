// KeePass XML beside the vault's own CSV, on 100,000 entries: the export
// (every entry read from a vault, opened and written), the writing alone,
// and the reading. Each XML time is given as a ratio to CSV's in the same
// run.

#include "formats/entrycsv.h"
#include "formats/entrywriter.h"
#include "formats/keepassxmlreader.h"
#include "formats/keepassxmlwriter.h"
#include "vault/storednames.h"
#include "vault/vaultentries.h"
#include "vault/vaultstatements.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int entryCount = 100000;
constexpr int repetitions = 5;
const QByteArray key = QByteArray::fromHex("00112233445566778899aabbccddeeff");

// Domains, logins and passwords of everyday lengths; every fourth note
// holds several lines, markup and Cyrillic, the others are empty.
QVector<Entry> sampleEntries()
{
    QVector<Entry> entries;
    for (int i = 0; i < entryCount; ++i) {
        const QString n = QString::number(i);
        const QString note = i % 4 ? QString() : "Вопрос: кличка собаки?\nОтвет: <Шарик> & \"Бобик\"\n" + n;
        entries.append({"site" + n + ".example.com", "user" + n + "@mail.example", "P@ss-" + n + "-x7Qz!", note});
    }
    return entries;
}

double median(const std::function<void()> &run)
{
    std::vector<double> ms;
    for (int i = 0; i < repetitions; ++i) {
        const auto start = std::chrono::steady_clock::now();
        run();
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(ms.begin(), ms.end());
    return ms[repetitions / 2];
}

// The vault's CSV in the shape of the other formats' writers.
class CsvWriter : public EntryWriter
{
public:
    QByteArray header() const override { return EntryCsv::header(); }
    bool write(const QString &, const Entry &entry, QByteArray *out, QString *) override
    {
        out->append(EntryCsv::row(entry));
        return true;
    }
    QByteArray footer() const override { return {}; }
};

QByteArray writeAll(EntryWriter &&writer, const QVector<Entry> &entries)
{
    QByteArray out = writer.header();
    QString refusal;
    for (const Entry &entry : entries)
        writer.write(QStringLiteral("1"), entry, &out, &refusal);
    return out + writer.footer();
}

// As the export command reads the vault, in a read transaction.
QByteArray exportAll(EntryWriter &&writer)
{
    QByteArray out = writer.header();
    QString error;
    QSqlDatabase::database().transaction();
    VaultEntries::forEach(
        [&](const VaultEntries::Stored &stored, QString *refusal) {
            return writer.write(stored.id, VaultEntries::shown(stored, key), &out, refusal);
        },
        &error);
    QSqlDatabase::database().rollback();
    return out + writer.footer();
}

int readXml(QByteArray xml)
{
    QBuffer file(&xml);
    file.open(QIODevice::ReadOnly);
    QVector<PeerEntry> read;
    QStringList refused, warnings;
    QString error;
    KeePassXmlReader().read(&file, [&](const PeerEntry &entry) { read << entry; }, &refused, &warnings, &error);
    return read.size();
}

void report(const char *what, double csv, double xml)
{
    std::printf("%-28s csv %8.1f ms   keepass-xml %8.1f ms   ratio %.2f\n", what, csv, xml, xml / csv);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QTemporaryDir directory;
    if (!directory.isValid() || !QDir::setCurrent(directory.path()))
        return 1;
    QSqlDatabase vault = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    vault.setDatabaseName(QStringLiteral("db.db"));
    const QVector<Entry> entries = sampleEntries();
    QString error;
    if (!vault.open() || !QSqlQuery().exec(VaultStatements::createDataTable())
        || !VaultEntries::addAll(entries, key, &error)) {
        std::fprintf(stderr, "bench_keepassxml: no vault to export: %s\n", qPrintable(error));
        return 1;
    }
    StoredNames::keepStoredText(vault);

    const QByteArray csv = writeAll(CsvWriter(), entries);
    const QByteArray xml = writeAll(KeePassXmlWriter(), entries);
    QVector<Entry> readBack;
    if (readXml(exportAll(KeePassXmlWriter())) != entryCount || !EntryCsv::read(csv, &readBack, &error)
        || readBack != entries || readXml(xml) != entryCount) {
        std::fprintf(stderr, "bench_keepassxml: the entries did not come back\n");
        return 1;
    }
    std::printf("entries: %d, csv %d bytes, keepass-xml %d bytes, median of %d runs\n", entryCount, int(csv.size()),
                int(xml.size()), repetitions);
    report("export from the vault", median([] { exportAll(CsvWriter()); }),
           median([] { exportAll(KeePassXmlWriter()); }));
    report("writing alone", median([&] { writeAll(CsvWriter(), entries); }),
           median([&] { writeAll(KeePassXmlWriter(), entries); }));
    report("reading", median([&] {
               QVector<Entry> read;
               EntryCsv::read(csv, &read, &error);
           }),
           median([&] { readXml(xml); }));
    return 0;
}
