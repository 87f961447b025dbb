#include "formats/entryformats.h"
#include "formats/entrymapping.h"
#include "formats/vaultcsvwriter.h"

#include <QtTest>

Q_DECLARE_METATYPE(QVector<Entry>)

// Every format by its name: samples written exactly as each peer writes its
// files (in samples/, each beside the entries the vault keeps of it, as its
// own CSV), read and mapped as an import takes them; and what each writer
// writes.
class TestEntryFormats : public QObject
{
    Q_OBJECT

    // The vault's own CSV of the entries it takes; then each refusal and the
    // fault that stopped the reading, a line each.
    static QByteArray read(const QString &format, QByteArray bytes)
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        VaultCsvWriter csv;
        QByteArray vault = csv.header();
        QStringList refused, warnings;
        QString error;
        const auto take = [&](const PeerEntry &peer) {
            Entry entry;
            QString refusal;
            if (EntryMapping::toEntry(peer, &entry, &refusal))
                csv.write(QString(), entry, &vault, &refusal);
            else
                refused << refusal;
        };
        EntryFormats::reader(format)->read(&buffer, take, &refused, &warnings, &error);
        return vault + (refused << error).join('\n').toUtf8();
    }

    static QByteArray sample(const QString &name)
    {
        QFile file(PM_SAMPLES "/" + name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    static QByteArray written(EntryWriter *writer, const QVector<Entry> &entries)
    {
        QByteArray out = writer->header();
        QString refusal;
        for (int at = 0; at < entries.size(); ++at)
            writer->write(QString::number(at + 1), entries.at(at), &out, &refusal);
        return out + writer->footer();
    }

private slots:
    void readsEachPeersSample_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("sample");
        QTest::newRow("keepassxc-csv") << "keepassxc-csv" << "keepassxc";
        QTest::newRow("keepassxc-csv, six columns and another") << "keepassxc-csv" << "keepassxc-older";
        QTest::newRow("bitwarden-csv") << "bitwarden-csv" << "bitwarden";
        QTest::newRow("bitwarden-csv, an organisation's") << "bitwarden-csv" << "bitwarden-organisation";
        QTest::newRow("bitwarden-csv without reprompt") << "bitwarden-csv" << "bitwarden-older";
        QTest::newRow("chrome-csv") << "chrome-csv" << "chrome";
        QTest::newRow("chrome-csv without note") << "chrome-csv" << "chrome-older";
        QTest::newRow("firefox-csv") << "firefox-csv" << "firefox";
        QTest::newRow("csv, its columns in another order") << "csv" << "vault";
    }

    void readsEachPeersSample()
    {
        QFETCH(QString, format);
        QFETCH(QString, sample);
        QCOMPARE(read(format, TestEntryFormats::sample(sample + ".csv")),
                 TestEntryFormats::sample(sample + ".vault.csv"));
    }

    // The reading goes on, so that one pass of editing fixes the file.
    void refusesEachLineItCannotTake()
    {
        QCOMPARE(
            read("chrome-csv", QByteArray("name,url,username,password\na,b,c\n,,,\nok,,u,p\nx,,u") + '\0' + ",p\n"),
            "domain,login,password,note\r\nok,u,p,\r\n"
            "line 2: 3 fields where the header has 4\nline 3: nothing to store\nline 5: the login holds a zero byte\n");
    }

    // Firefox's columns and Chrome's fit Firefox's better, though Chrome's
    // format comes first; KeePass XML is known by its root element.
    void readsTheFormatTheFileFits_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("read");
        const QByteArray none = ": the file is not KeePass XML, and its header row fits none of the formats csv, "
                                "keepassxc-csv, bitwarden-csv, chrome-csv, firefox-csv";
        QTest::newRow("more of Firefox's columns")
            << QByteArray("url,username,password,httpRealm,formActionOrigin,guid,timeCreated,timeLastUsed,"
                          "timePasswordChanged,name\nhttps://a.b,u,p,,,,,,,n\n")
            << QByteArray("a.b,u,p,name: n\r\n");
        QTest::newRow("KeePass XML, declared")
            << QByteArray("\xEF\xBB\xBF<?xml version=\"1.0\"?><!-- x --><KeePassFile><Root><Group><Entry><String>"
                          "<Key>Title</Key><Value>t</Value></String></Entry></Group></Root></KeePassFile>")
            << QByteArray("t,,,\r\n");
        QTest::newRow("another root") << QByteArray("<KeePass><Root>") << "line 1" + none;
        QTest::newRow("none") << QByteArray("\n\nurl,username\n") << "line 3" + none;
        QTest::newRow("csv has its four only") << QByteArray("domain,login,password,note,x") << "line 1" + none;
        QTest::newRow("two") << QByteArray("collections,type,name,notes,fields,login_uri,login_username,login_"
                                           "password,login_totp,url,username,password,httpRealm,formActionOrigin,"
                                           "guid,timeCreated,timeLastUsed,timePasswordChanged")
                             << QByteArray("line 1: the header row fits both bitwarden-csv and firefox-csv; choose "
                                           "one with --format");
    }

    void readsTheFormatTheFileFits()
    {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, read);
        QCOMPARE(TestEntryFormats::read(EntryFormats::automatic, file), "domain,login,password,note\r\n" + read);
    }

    void writesEachFormat_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("sample");
        QTest::newRow("csv") << "csv" << "written.csv";
        QTest::newRow("bitwarden-csv") << "bitwarden-csv" << "written.bitwarden.csv";
        QTest::newRow("chrome-csv") << "chrome-csv" << "written.chrome.csv";
    }

    void writesEachFormat()
    {
        QFETCH(QString, format);
        QFETCH(QString, sample);
        const QVector<Entry> entries{
            {"GitHub.com", "u", "p", "n,1"}, {"почта.рф", "", "", ""}, {"My Bank", "", "", ""}};
        QCOMPARE(written(EntryFormats::writer(format).get(), entries), TestEntryFormats::sample(sample));
    }

    void warnsOfRowsChromeRefuses_data()
    {
        QTest::addColumn<QVector<Entry>>("entries");
        QTest::addColumn<QStringList>("warnings");
        const Entry fine{"a.example", QString(1000, 'l'), QString(1000, 'p'), QString(1000, 'n')};
        const QString refused = "entry 1 (%1): Chrome will not import it: %2";
        QTest::newRow("1,000 characters, 3,000 rows") << QVector<Entry>(3000, fine) << QStringList();
        QTest::newRow("1,001 characters")
            << QVector<Entry>{{"a.example", QString(1001, 'l'), QString(1001, 'p'), QString(1001, 'n')}}
            << QStringList{refused.arg("a.example",
                                       "its login is longer than 1,000 characters, its password is "
                                       "longer than 1,000 characters, its note is longer than 1,000 "
                                       "characters")};
        QTest::newRow("3,001 rows") << QVector<Entry>(3001, fine)
                                    << QStringList{"3001 entries: Chrome imports at most 3,000 at a time, so split "
                                                   "the file"};
    }

    void warnsOfRowsChromeRefuses()
    {
        QFETCH(QVector<Entry>, entries);
        const std::unique_ptr<EntryWriter> writer = EntryFormats::writer("chrome-csv");
        written(writer.get(), entries);
        QTEST(writer->warnings(), "warnings");
    }
};

QTEST_GUILESS_MAIN(TestEntryFormats)
#include "tst_entryformats.moc"
