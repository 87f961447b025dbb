#include "formats/keepassxmlreader.h"
#include "formats/keepassxmlwriter.h"
#include "keepassxccli.h"
#include "testvault.h"

#include <QBuffer>
#include <QtTest>

// KeePass XML out: what KeePassXC makes of it, and what can never be written.
class TestKeePassXmlWriter : public QObject
{
    Q_OBJECT

    static QByteArray fileOf(const QString &domain, const QString &login, const QString &password, const QString &note)
    {
        KeePassXmlWriter writer;
        QByteArray xml = writer.header();
        QString refusal;
        if (!writer.write("1", {domain, login, password, note}, &xml, &refusal))
            qFatal("refused: %s", qPrintable(refusal));
        return xml + writer.footer();
    }

private slots:
    void keepassXcImportsEveryValue_data()
    {
        QTest::addColumn<QString>("domain");
        QTest::addColumn<QString>("login");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("note");
        QTest::addColumn<QString>("url");
        QTest::newRow("host name") << "example.com" << "alice" << "secret" << "" << "https://example.com";
        QTest::newRow("blanks at either end") << " example.com" << "  alice " << "\tpw " << "   " << "";
        QTest::newRow("markup") << "a&b" << "x<y" << "]]>" << "say \"hi\" it's\n" << "";
        QTest::newRow("cyrillic") << "почта.рф" << "иван" << "пароль" << "строка\n\nещё\n" << "https://почта.рф";
        QTest::newRow("address and port") << "10.0.0.1:8080" << "" << "" << QString(10000, 'n') << "";
        QTest::newRow("carriage returns") << "cr.example" << "a\rb\r\n"
                                          << "p\tq" << "x\r\ny\rz\r"
                                          << "https://cr.example";
        QTest::newRow("edges of XML") << "x" << "\u0085" << "\uD7FF\uE000\uFFFD" << "😀 \U0010FFFD" << "https://x";
    }

    // KeePassXC ends every line in an LF (only its passwords keep a CR).
    void keepassXcImportsEveryValue()
    {
        QFETCH(QString, domain);
        QFETCH(QString, login);
        QFETCH(QString, password);
        QFETCH(QString, note);
        QFETCH(QString, url);
        TestVault directory;
        KeePassXcCli::import(fileOf(domain, login, password, note), "new.kdbx");
        const QVector<QHash<QString, QString>> rows = KeePassXcCli::exportCsv("new.kdbx");
        QCOMPARE(rows.size(), 1);
        const QHash<QString, QString> expected{
            {"Title", domain}, {"Username", login}, {"Password", password}, {"Notes", note}, {"URL", url}};
        for (const QString &column : expected.keys())
            QCOMPARE(rows.first().value(column),
                     QString(expected.value(column)).replace("\r\n", "\n").replace('\r', '\n'));
    }

    void readsBackEveryValue_data() { keepassXcImportsEveryValue_data(); }

    void readsBackEveryValue()
    {
        QFETCH(QString, domain);
        QFETCH(QString, login);
        QFETCH(QString, password);
        QFETCH(QString, note);
        QFETCH(QString, url);
        QByteArray xml = fileOf(domain, login, password, note);
        QBuffer file(&xml);
        file.open(QIODevice::ReadOnly);
        QVector<PeerEntry> read;
        QStringList refused, warnings;
        QString error;
        QVERIFY(KeePassXmlReader().read(
            &file, [&](const PeerEntry &entry) { read << entry; }, &refused, &warnings, &error));
        QCOMPARE(read.size(), 1);
        const QStringList got{read[0].title, read[0].userName, read[0].password, read[0].notes, read[0].urls.join(' ')};
        QCOMPARE(got, QStringList({domain, login, password, note, url}));
    }

    void refusesWhatXmlCannotCarry_data()
    {
        QTest::addColumn<QString>("domain");
        QTest::addColumn<QString>("login");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("note");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("control character") << "a.example" << "l" << "p" << "x\x01y"
                                           << "entry 7 (a.example): the note holds U+0001, which XML 1.0 cannot carry";
        QTest::newRow("NUL") << "a.example" << "l" << QString(QChar(0)) << ""
                             << "entry 7 (a.example): the password holds U+0000, which XML 1.0 cannot carry";
        QTest::newRow("U+FFFE") << "a.example" << "\uFFFE" << "p" << ""
                                << "entry 7 (a.example): the login holds U+FFFE, which XML 1.0 cannot carry";
        QTest::newRow("escape in the domain") << "\x1b[2Ja" << "l" << "p" << ""
                                              << "entry 7 (\uFFFD[2Ja): the domain holds U+001B, which XML 1.0 "
                                                 "cannot carry";
        QTest::newRow("lone surrogate") << QString("a") + QChar(0xD800) + "b" << "l" << "p" << ""
                                        << "entry 7 (a\uFFFDb): the domain holds U+D800, which XML 1.0 cannot carry";
    }

    void refusesWhatXmlCannotCarry()
    {
        QFETCH(QString, domain);
        QFETCH(QString, login);
        QFETCH(QString, password);
        QFETCH(QString, note);
        QFETCH(QString, refusal);
        QByteArray out = "before";
        QString said;
        QVERIFY(!KeePassXmlWriter().write("7", {domain, login, password, note}, &out, &said));
        QCOMPARE(said, refusal);
        QCOMPARE(out, QByteArray("before"));
    }

    void warnsOfWhatKeePassXcDrops_data()
    {
        QTest::addColumn<QString>("domain");
        QTest::addColumn<QString>("note");
        QTest::addColumn<QStringList>("warnings");
        QTest::newRow("DEL") << "a.example" << "x\x7f"
                             << QStringList{
                                    "entry 7 (a.example): KeePassXC drops U+007F from the note as it imports it"};
        QTest::newRow("C1 control") << "\u009b1m" << ""
                                    << QStringList{"entry 7 (\uFFFD1m): KeePassXC drops U+009B from the domain as it "
                                                   "imports it"};
        QTest::newRow("NEL") << "a.example" << "\u0085" << QStringList();
    }

    void warnsOfWhatKeePassXcDrops()
    {
        QFETCH(QString, domain);
        QFETCH(QString, note);
        QFETCH(QStringList, warnings);
        KeePassXmlWriter writer;
        QByteArray out;
        QString refusal;
        QVERIFY(writer.write("7", {domain, "l", "p", note}, &out, &refusal));
        QCOMPARE(writer.warnings(), warnings);
    }
};

QTEST_GUILESS_MAIN(TestKeePassXmlWriter)
#include "tst_keepassxmlwriter.moc"
