// KeePass XML beside the vault's own CSV, on 100,000 entries: the export
// (every entry read from a vault, opened and written, into memory as the
// tool does, then into a file as it goes), the writing alone,
// and the reading. Each XML time is given as a ratio to CSV's in the same
// run. Each measurement is a process of its own, as an export is: the
// memory for the output then comes fresh from the system, which a file
// four and a half times the CSV's size pays for, and which a second round
// in the same process would mostly not.

#include "formats/entrymapping.h"
#include "formats/entrywriter.h"
#include "formats/keepassxmlreader.h"
#include "formats/keepassxmlwriter.h"
#include "formats/vaultcsvreader.h"
#include "formats/vaultcsvwriter.h"
#include "vault/storednames.h"
#include "vault/vaultentries.h"
#include "vault/vaultstatements.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
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

QByteArray writeAll(EntryWriter &writer, const QVector<Entry> &entries)
{
    QByteArray out = writer.header();
    QString refusal;
    for (const Entry &entry : entries)
        writer.write(QStringLiteral("1"), entry, &out, &refusal);
    return out + writer.footer();
}

// As the export command reads the vault, in a read transaction.
QByteArray exportAll(EntryWriter &writer)
{
    QByteArray out = writer.header();
    QString error;
    QSqlDatabase::database().transaction();
    VaultEntries::forEach(
        [&](const VaultEntries::Stored &stored, QString *refusal) {
            QByteArray pass, info;
            return VaultEntries::openWhole(stored, key, &pass, &info, refusal)
                && writer.write(stored.id, VaultEntries::shown(stored, pass, info), &out, refusal);
        },
        &error);
    QSqlDatabase::database().rollback();
    return out + writer.footer();
}

// The same into a file, a piece at a time, so that the output never needs
// more memory than a piece.
void exportToFile(EntryWriter &writer)
{
    QFile file(QStringLiteral("export.out"));
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    QByteArray out = writer.header();
    out.reserve(1 << 17);
    QString error;
    QSqlDatabase::database().transaction();
    VaultEntries::forEach(
        [&](const VaultEntries::Stored &stored, QString *refusal) {
            QByteArray pass, info;
            const bool written = VaultEntries::openWhole(stored, key, &pass, &info, refusal)
                && writer.write(stored.id, VaultEntries::shown(stored, pass, info), &out, refusal);
            if (out.size() >= 1 << 16) {
                file.write(out);
                out.resize(0);
            }
            return written;
        },
        &error);
    QSqlDatabase::database().rollback();
    file.write(out + writer.footer());
}

QVector<PeerEntry> readAll(EntryReader &&reader, QByteArray bytes)
{
    QBuffer file(&bytes);
    file.open(QIODevice::ReadOnly);
    QVector<PeerEntry> read;
    QStringList refused, warnings;
    QString error;
    reader.read(&file, [&](const PeerEntry &entry) { read << entry; }, &refused, &warnings, &error);
    return read;
}

int readXml(const QByteArray &xml)
{
    return readAll(KeePassXmlReader(), xml).size();
}

// One measurement in this process: the processor time it takes, in
// milliseconds, the kernel's share (the memory it hands out) included. Other
// programs on the machine then change the figures less than they would
// change the time on the clock. The process starts with the vault or the
// file set up and nothing else, as the tool does.
double measure(const QString &what, const QString &format)
{
    const bool xml = format == QLatin1String("keepass-xml");
    std::unique_ptr<EntryWriter> writer;
    if (xml)
        writer = std::make_unique<KeePassXmlWriter>();
    else
        writer = std::make_unique<VaultCsvWriter>();
    const QVector<Entry> entries = what.startsWith(QLatin1String("export")) ? QVector<Entry>() : sampleEntries();
    QByteArray file = what == QLatin1String("read") ? writeAll(*writer, entries) : QByteArray();
    const std::clock_t start = std::clock();
    if (what == QLatin1String("export"))
        exportAll(*writer);
    else if (what == QLatin1String("export-to-file"))
        exportToFile(*writer);
    else if (what == QLatin1String("write"))
        writeAll(*writer, entries);
    else if (xml)
        readXml(file);
    else
        readAll(VaultCsvReader(), file);
    return 1000.0 * double(std::clock() - start) / CLOCKS_PER_SEC;
}

// The median of runs of this program, each of one measurement, taken in
// turn for the two formats.
QPair<double, double> medians(const QString &what)
{
    std::vector<double> csv, xml;
    for (int i = 0; i < repetitions; ++i) {
        for (std::vector<double> *times : {&csv, &xml}) {
            QProcess run;
            run.start(QCoreApplication::applicationFilePath(),
                      {what, times == &xml ? QStringLiteral("keepass-xml") : QStringLiteral("csv")});
            if (!run.waitForFinished(-1) || run.exitCode() != 0) {
                std::fprintf(stderr, "bench_keepassxml: a measurement failed\n");
                std::exit(1);
            }
            times->push_back(run.readAllStandardOutput().trimmed().toDouble());
        }
    }
    std::sort(csv.begin(), csv.end());
    std::sort(xml.begin(), xml.end());
    return {csv[repetitions / 2], xml[repetitions / 2]};
}

void report(const char *title, const QPair<double, double> &times)
{
    std::printf("%-28s csv %8.1f ms   keepass-xml %8.1f ms   ratio %.2f\n", title, times.first, times.second,
                times.second / times.first);
}

} // namespace

// Without arguments it sets up a vault in a temporary folder and runs itself
// there, as "bench_keepassxml WHAT FORMAT", for each measurement.
int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    if (argc == 3) {
        QSqlDatabase vault = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
        vault.setDatabaseName(QStringLiteral("db.db"));
        if (!vault.open())
            return 1;
        StoredNames::keepStoredText(vault);
        std::printf("%.3f\n", measure(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2])));
        return 0;
    }
    QTemporaryDir directory;
    if (!directory.isValid() || !QDir::setCurrent(directory.path()))
        return 1;
    const QVector<Entry> entries = sampleEntries();
    QString error;
    {
        QSqlDatabase vault = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
        vault.setDatabaseName(QStringLiteral("db.db"));
        if (!vault.open() || !QSqlQuery().exec(VaultStatements::createDataTable())
            || !VaultEntries::addAll(entries, key, &error)) {
            std::fprintf(stderr, "bench_keepassxml: no vault to export: %s\n", qPrintable(error));
            return 1;
        }
        StoredNames::keepStoredText(vault);
        VaultCsvWriter csvWriter;
        KeePassXmlWriter xmlWriter;
        const QByteArray csv = writeAll(csvWriter, entries);
        const QByteArray xml = exportAll(xmlWriter);
        QVector<Entry> readBack;
        for (const PeerEntry &peer : readAll(VaultCsvReader(), csv)) {
            Entry entry;
            if (EntryMapping::toEntry(peer, &entry, &error))
                readBack << entry;
        }
        if (readXml(xml) != entryCount || readBack != entries) {
            std::fprintf(stderr, "bench_keepassxml: the entries did not come back\n");
            return 1;
        }
        std::printf("entries: %d, csv %d bytes, keepass-xml %d bytes, median of %d runs, each a process\n", entryCount,
                    int(csv.size()), int(xml.size()), repetitions);
    }
    QSqlDatabase::removeDatabase(QSqlDatabase::defaultConnection);
    report("export from the vault", medians(QStringLiteral("export")));
    report("export to a file, by pieces", medians(QStringLiteral("export-to-file")));
    report("writing alone", medians(QStringLiteral("write")));
    report("reading", medians(QStringLiteral("read")));
    return 0;
}
