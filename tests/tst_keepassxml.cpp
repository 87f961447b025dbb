#include "formats/csvtable.h"
#include "formats/keepassxmlreader.h"
#include "formats/keepassxmlwriter.h"
#include "testvault.h"

#include <QtTest>

Q_DECLARE_METATYPE(Entry)

// KeePass XML both ways: samples as KeePassXC writes them, and KeePassXC's
// own command-line tool as the peer, on a database db.kdbx whose password is
// "pw".
class TestKeePassXml : public QObject
{
    Q_OBJECT

    // Its standard output; a run that fails ends the test program.
    static QByteArray cli(const QStringList &arguments, const QByteArray &input = "pw\n")
    {
        QProcess process;
        process.start(PM_KEEPASSXC_CLI, QStringList{arguments.first(), "-q"} + arguments.mid(1));
        process.write(input);
        process.closeWriteChannel();
        if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
            qFatal("keepassxc-cli %s: %s", qPrintable(arguments.join(' ')), process.readAllStandardError().constData());
        return process.readAllStandardOutput();
    }

    static void cliImport(const QByteArray &xml)
    {
        QFile file("in.xml");
        if (!file.open(QIODevice::WriteOnly) || file.write(xml) != xml.size() || !file.flush())
            qFatal("cannot write in.xml");
        cli({"import", "-p", "in.xml", "db.kdbx"}, "pw\npw\n");
    }

    // Each entry as line|title|user name|password|notes|URL count:URLs|group|TOTP|fields, then what was said.
    static QStringList read(QByteArray xml)
    {
        QBuffer file(&xml);
        file.open(QIODevice::ReadOnly);
        QStringList entries, refused, warnings;
        QString error;
        const auto take = [&](const PeerEntry &e) {
            QStringList d{QString::number(e.line), e.title, e.userName, e.password, e.notes};
            d << QString::number(e.urls.size()) + ':' + e.urls.join(' ') << e.placeLabel + ':' + e.place << e.totp;
            for (const auto &field : e.fields)
                d << field.first + '=' + field.second;
            entries << d.join('|');
        };
        const bool ok = KeePassXmlReader().read(&file, take, &refused, &warnings, &error);
        return entries + refused + warnings + QStringList(error).mid(ok);
    }

    // The body in the root group from line 2, the Recycle Bin "bin".
    static QByteArray file(const QByteArray &body)
    {
        return "<KeePassFile><Meta><RecycleBinUUID>bin</RecycleBinUUID></Meta><Root><Group><UUID>r</UUID>"
               "<Name>Root</Name>\n"
            + body + "</Group><DeletedObjects/></Root></KeePassFile>\n";
    }

    static QByteArray string(const QByteArray &key, const QByteArray &value)
    {
        return "<String><Key>" + key + "</Key><Value>" + value + "</Value></String>";
    }

    static QByteArray entry(const QByteArray &title, const QByteArray &more = "")
    {
        return "<Entry>" + string("Title", title) + more + "</Entry>";
    }

    static QByteArray written(const Entry &entry)
    {
        KeePassXmlWriter writer;
        QByteArray xml = writer.header();
        QString refusal;
        writer.write("1", entry, &xml, &refusal);
        return xml + writer.footer();
    }

    static void sampleColumns()
    {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<QStringList>("read");
    }

    static void compareRead()
    {
        QFETCH(QByteArray, xml);
        QFETCH(QStringList, read);
        QCOMPARE(TestKeePassXml::read(xml), read);
    }

private slots:
    // All but deleted ones and those with a protected value, which are named
    // by line, as are the attachments left out.
    void takesEveryEntryItCan_data()
    {
        sampleColumns();
        QTest::newRow("strings") << file("<Entry><UUID>u</UUID><Times/>" + string("UserName", "u")
                                         + "<String><Key>Password</Key><Value ProtectInMemory=\"True\">p</Value>"
                                         + "</String>" + string("Notes", " a\n\tb ") + string("URL", "https://x/")
                                         + string("Title", "t") + "<AutoType/><CustomData/></Entry>")
                                 << QStringList{"2|t|u|p| a\n\tb |1:https://x/|Group:|"};
        QTest::newRow("groups") << file(
            "<Group><Name>Work</Name><Group><Name>S/lash</Name>" + entry("a") + "</Group>" + entry("b") + "</Group>"
            + entry("c")) << QStringList{"2|a||||0:|Group:Work/S/lash|", "2|b||||0:|Group:Work|", "2|c||||0:|Group:|"};
        QTest::newRow("recycle bin") << file("<Group><Name>A</Name><Group><UUID>bin</UUID>" + entry("gone") + "<Group>"
                                             + entry("gone too") + "</Group></Group></Group><Group><Name>" + "B</Name>"
                                             + entry("kept") + "</Group>")
                                     << QStringList{"2|kept||||0:|Group:B|"};
        QTest::newRow("custom strings, otp, tags")
            << file("<Entry><Tags>a,b</Tags>" + string("Zeta", "z") + string("otp", "otpauth://x") + string("URL", "")
                    + string("A", "1\n2") + "</Entry>")
            << QStringList{"2|||||0:|Group:|otpauth://x|Tags=a,b|Zeta=z|A=1\n2"};
        QTest::newRow("lines") << file("\n\r\n" + entry("a") + "\r" + entry("b") + "\n<Entry\n/>")
                               << QStringList{"4|a||||0:|Group:|", "5|b||||0:|Group:|", "6|||||0:|Group:|"};
        QTest::newRow("characters across blocks") << file(entry(QString(9000, QChar(0x434)).toUtf8()))
                                                  << QStringList{"2|" + QString(9000, QChar(0x434)) + "||||0:|Group:|"};
        const QByteArray protectedNotes = "<String><Key>Notes</Key><Value Protected=\"True\">x</Value></String>";
        QTest::newRow("protected") << file(entry("a") + "\n" + entry("b", protectedNotes + "\n") + entry("c"))
                                   << QStringList{
                                          "2|a||||0:|Group:|", "4|c||||0:|Group:|",
                                          "line 3: the Notes is encrypted under its database's key (Protected="
                                          "\"True\"); export the database as XML from KeePassXC or KeePass instead"};
        QTest::newRow("attachments") << file(entry("t",
                                                   "<Binary><Key>a.txt</Key><Value Ref=\"0\"/></Binary><Binary>"
                                                   "<Key>b.png</Key></Binary>"))
                                     << QStringList{"2|t||||0:|Group:|",
                                                    "line 2: the entry \"t\" comes in without "
                                                    "its attachments: a.txt, b.png"};
    }

    void takesEveryEntryItCan() { compareRead(); }

    void stopsAtAFaultOfTheFile_data()
    {
        sampleColumns();
        const auto fault = [](const char *text) { return QStringList{text}; };
        QTest::newRow("root") << QByteArray("\n<html/>") << fault("line 2: the root element is html, not KeePassFile");
        QTest::newRow("after the root") << file("") + "<x/>" << fault("line 3: Extra content at end of document.");
        QTest::newRow("encoding") << "<?xml version='1.0' encoding='ISO-8859-1'?>\n" + file("")
                                  << fault("line 1: the file declares ISO-8859-1; KeePass XML is UTF-8");
        QTest::newRow("not UTF-8") << file(entry("\xd0\n")) << fault("line 2: the text is not UTF-8");
        QTest::newRow("surrogate") << file("\r" + entry("\xed\xa0\x80")) << fault("line 3: the text is not UTF-8");
        QTest::newRow("overlong") << file("\r\n" + entry("\xe0\x80\xaf")) << fault("line 3: the text is not UTF-8");
        QTest::newRow("overlong in 4") << file(entry("\xf0\x8f\xbf\xbf")) << fault("line 2: the text is not UTF-8");
        QTest::newRow("> U+10FFFF") << file(entry("\xf4\x90\x80\x80")) << fault("line 2: the text is not UTF-8");
        QTest::newRow("cut character") << file("") + "\xf4\x8f\xbf" << fault("line 3: the text is not UTF-8");
        QTest::newRow("UTF-16") << QByteArray("\xff\xfe<\0", 4) << fault("line 1: the text is not UTF-8");
        QTest::newRow("fault first") << QByteArray("<KeePassFile></b>\n\xff")
                                     << fault("line 1: Opening and ending tag mismatch.");
    }

    void stopsAtAFaultOfTheFile() { compareRead(); }

    // Seeded by an import; an edit leaves a history, a deletion a Recycle Bin.
    void readsWhatKeePassXcExports()
    {
        TestVault directory;
        cliImport(file(entry("seeded", string("otp", "otpauth://x") + string("Zeta", "z") + string("A", "a"))
                       + "<Group><Name>Work</Name>" + entry("no url") + "<Group><Name>Банк</Name>" + entry("Сбер")
                       + "</Group></Group>" + entry("doomed")));
        cli({"edit", "-u", "carol", "db.kdbx", "Work/no url"});
        cli({"rm", "db.kdbx", "doomed"});
        const QStringList got = read(cli({"export", "-f", "xml", "db.kdbx"})).replaceInStrings(QRegExp("^\\d+\\|"), "");
        QCOMPARE(got,
                 QStringList({"seeded||||0:|Group:|otpauth://x|A=a|Zeta=z", "no url|carol|||0:|Group:Work|",
                              "Сбер||||0:|Group:Work/Банк|"}));
    }

    void everyValueReadsBack_data()
    {
        QTest::addColumn<Entry>("entry");
        QTest::addColumn<QString>("urls");
        QTest::newRow("host name") << Entry{"example.com", "alice", "secret", ""} << "1:https://example.com";
        QTest::newRow("blanks") << Entry{" example.com", "  alice ", "\tpw ", "   "} << "0:";
        QTest::newRow("markup") << Entry{"a&b", "x<y", "]]>", "say \"hi\" it's\n"} << "0:";
        QTest::newRow("cyrillic") << Entry{"почта.рф", "иван", "пароль", "строка\n\nещё\n"} << "1:https://почта.рф";
        QTest::newRow("port, empty") << Entry{"10.0.0.1:8080", "", "", QString(10000, 'n')} << "0:";
        QTest::newRow("carriage returns")
            << Entry{"cr.example", "a\rb\r\n", "p\tq", "x\r\ny\rz\r"} << "1:https://cr.example";
        QTest::newRow("edges of XML") << Entry{"x", "\u0085", "\uD7FF\uE000\uFFFD", "😀 \U0010FFFD"} << "1:https://x";
    }

    // Through our reader, and through KeePassXC's import and its CSV export,
    // read by column name; KeePassXC ends every line in an LF as it imports.
    void everyValueReadsBack()
    {
        QFETCH(Entry, entry);
        QFETCH(QString, urls);
        const QStringList values{entry.domain, entry.login, entry.password, entry.note};
        const QString expected = values.join('|') + '|' + urls + "|Group:|";
        QCOMPARE(read(written(entry)), QStringList{"6|" + expected});
        TestVault directory;
        cliImport(written(entry));
        QByteArray csv = cli({"export", "-f", "csv", "db.kdbx"});
        QBuffer buffer(&csv);
        buffer.open(QIODevice::ReadOnly);
        CsvTable table(&buffer);
        CsvTable::Record header, row, end;
        QString error;
        QVERIFY(table.next(&header, &error) && table.next(&row, &error) && table.next(&end, &error));
        QVERIFY(end.fields.isEmpty());
        QStringList got;
        for (const char *column : {"Title", "Username", "Password", "Notes", "URL"})
            got << row.fields.value(header.fields.indexOf(column));
        QStringList sent = values + QStringList(urls.mid(urls.indexOf(':') + 1));
        QCOMPARE(got, sent.replaceInStrings("\r\n", "\n").replaceInStrings("\r", "\n"));
    }

    // A character XML cannot carry refuses the entry; one KeePassXC drops is
    // warned of. Control characters are named, never shown.
    void namesCharactersThatCannotReachKeePassXc_data()
    {
        QTest::addColumn<Entry>("entry");
        QTest::addColumn<QString>("said");
        const QString refused = "entry 7 (%1): the %2 holds U+%3, which XML 1.0 cannot carry";
        const QString warned = "entry 7 (%1): KeePassXC drops U+%3 from the %2 as it imports it";
        QTest::newRow("control") << Entry{"a.b", "l", "p", "x\x01y"} << refused.arg("a.b", "note", "0001");
        QTest::newRow("NUL") << Entry{"a.b", "l", QString(QChar(0)), ""} << refused.arg("a.b", "password", "0000");
        QTest::newRow("U+FFFE") << Entry{"a.b", "\uFFFE", "p", ""} << refused.arg("a.b", "login", "FFFE");
        QTest::newRow("escape") << Entry{"\x1b[2J", "l", "p", ""} << refused.arg("\uFFFD[2J", "domain", "001B");
        QTest::newRow("lone surrogate") << Entry{QString("a") + QChar(0xD800) + "b", "l", "p", ""}
                                        << refused.arg("a\uFFFDb", "domain", "D800");
        QTest::newRow("DEL") << Entry{"a.b", "l", "p", "x\x7f"} << warned.arg("a.b", "note", "007F");
        QTest::newRow("C1") << Entry{"\u009b1m", "l", "p", ""} << warned.arg("\uFFFD1m", "domain", "009B");
        QTest::newRow("NEL") << Entry{"a.b", "l", "p", "\u0085"} << "";
    }

    void namesCharactersThatCannotReachKeePassXc()
    {
        QFETCH(Entry, entry);
        QFETCH(QString, said);
        KeePassXmlWriter writer;
        QByteArray out;
        QString refusal;
        const bool written = writer.write("7", entry, &out, &refusal);
        QCOMPARE(refusal + writer.warnings().join(""), said);
        QCOMPARE(written, !out.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestKeePassXml)
#include "tst_keepassxml.moc"
