#include "formats/keepassxmlreader.h"
#include "keepassxccli.h"
#include "testvault.h"

#include <QBuffer>
#include <QtTest>

// KeePass XML in: samples as KeePassXC writes them, and a database that
// KeePassXC itself built and exported.
class TestKeePassXmlReader : public QObject
{
    Q_OBJECT

    struct Read
    {
        bool ok;
        QStringList entries, refused, warnings;
        QString error;
    };

    // Each entry as line|title|user name|password|notes|URLs, each with a blank after it|group|TOTP|fields.
    static Read read(QByteArray xml)
    {
        QBuffer file(&xml);
        file.open(QIODevice::ReadOnly);
        Read read;
        const auto take = [&](const PeerEntry &e) {
            QString urls;
            for (const QString &url : e.urls)
                urls += url + ' ';
            QStringList fields;
            for (const auto &field : e.fields)
                fields << field.first + '=' + field.second;
            read.entries
                << QStringList{QString::number(e.line),      e.title, e.userName,      e.password, e.notes, urls,
                               e.placeLabel + ':' + e.place, e.totp,  fields.join(' ')}
                       .join('|');
        };
        read.ok = KeePassXmlReader().read(&file, take, &read.refused, &read.warnings, &read.error);
        return read;
    }

    // A file with the Recycle Bin "bin", and the given body in its root group from line 2.
    static QByteArray file(const QByteArray &body)
    {
        return "<KeePassFile><Meta><RecycleBinUUID>bin</RecycleBinUUID></Meta><Root><Group><UUID>r</UUID>"
               "<Name>Root</Name>\n"
            + body + "</Group><DeletedObjects/></Root></KeePassFile>\n";
    }

    static QByteArray entry(const QByteArray &title, const QByteArray &more = "")
    {
        return "<Entry><String><Key>Title</Key><Value>" + title + "</Value></String>" + more + "</Entry>";
    }

private slots:
    void takesEntries_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QStringList>("entries");
        QTest::newRow("standard strings and metadata")
            << QByteArray("<Entry><UUID>u</UUID><Times><CreationTime>t</CreationTime></Times><String><Key>UserName"
                          "</Key><Value>u</Value></String><String><Key>Password</Key><Value ProtectInMemory=\"True\">"
                          "p</Value></String><String><Key>Notes</Key><Value> a\n\tb </Value></String><String><Key>"
                          "URL</Key><Value>https://x/</Value></String><String><Key>Title</Key><Value>t</Value>"
                          "</String><AutoType><Enabled>True</Enabled></AutoType><CustomData><Item><Key>k</Key>"
                          "<Value>v</Value></Item></CustomData></Entry>")
            << QStringList{"2|t|u|p| a\n\tb |https://x/ |Group:||"};
        QTest::newRow("nested groups") << "<Group><Name>Work</Name><Group><Name>S/lash</Name>" + entry("a") + "</Group>"
                + entry("b") + "</Group>"
                + entry("c") << QStringList{"2|a|||||Group:Work/S/lash||", "2|b|||||Group:Work||", "2|c|||||Group:||"};
        QTest::newRow("recycle bin") << "<Group><Name>A</Name><Group><UUID>bin</UUID><Name>Recycle Bin</Name>"
                + entry("gone") + "<Group><Name>G</Name>" + entry("gone too") + "</Group></Group></Group>"
                + "<Group><Name>B</Name>" + entry("kept")
                + "</Group>" << QStringList{"2|kept|||||Group:B||"};
        QTest::newRow("history") << entry("now", "<History>" + entry("then") + "</History>")
                                 << QStringList{"2|now|||||Group:||"};
        QTest::newRow("custom strings, otp and tags in order") << QByteArray(
            "<Entry><Tags>a,b</Tags><String><Key>Zeta</Key><Value>z</Value></String><String><Key>otp</Key>"
            "<Value>otpauth://totp/x</Value></String><String><Key>URL</Key><Value/></String><String><Key>Al"
            "pha</Key><Value>1\n2</Value></String><String><Key>KP2A_URL</Key><Value>https://y</Value></String>"
            "</Entry>") << QStringList{"2||||||Group:|otpauth://totp/x|Tags=a,b Zeta=z Alpha=1\n2 KP2A_URL=https://y"};
        QTest::newRow("characters across blocks") << entry(QString(9000, QChar(0x434)).toUtf8())
                                                  << QStringList{"2|" + QString(9000, QChar(0x434)) + "|||||Group:||"};
        QTest::newRow("lines ended every way") << "\n\r\n" + entry("a") + "\r" + entry("b")
                + "\n<Entry\n/>" << QStringList{"4|a|||||Group:||", "5|b|||||Group:||", "6||||||Group:||"};
    }

    void takesEntries()
    {
        QFETCH(QByteArray, body);
        QFETCH(QStringList, entries);
        const Read got = read(file(body));
        QVERIFY2(got.ok, qPrintable(got.error));
        QCOMPARE(got.entries, entries);
        QCOMPARE(got.refused, QStringList());
    }

    void refusesProtectedValuesAndGoesOn()
    {
        const QByteArray protectedNotes = "<String><Key>Notes</Key><Value Protected=\"True\">x</Value></String>";
        const Read got = read(file(entry("a") + "\n" + entry("b", protectedNotes) + "\n" + entry("c")));
        QCOMPARE(got.entries, QStringList({"2|a|||||Group:||", "4|c|||||Group:||"}));
        QCOMPARE(got.refused,
                 QStringList{"line 3: the Notes is encrypted under its database's key (Protected=\"True\"); export "
                             "the database as XML from KeePassXC or KeePass instead"});
    }

    void warnsOfAttachments()
    {
        const QByteArray binaries = "<Binary><Key>a.txt</Key><Value Ref=\"0\"/></Binary><Binary><Key>b.png</Key>"
                                    "<Value Ref=\"1\"/></Binary>";
        const Read got = read(file(entry("t", binaries)));
        QCOMPARE(got.entries, QStringList{"2|t|||||Group:||"});
        QCOMPARE(got.warnings, QStringList{"line 2: the entry \"t\" comes in without its attachments: a.txt, b.png"});
    }

    void stopsAtAFaultOfTheFile_data()
    {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<QString>("error");
        QTest::newRow("cut short") << QByteArray("<KeePassFile>\n<Root>") << "line 2: Premature end of document.";
        QTest::newRow("tag mismatch") << file("\n<Entry>") << "line 3: Opening and ending tag mismatch.";
        QTest::newRow("control character") << file("\n" + entry("\x01")) << "line 3: Unexpected ''.";
        QTest::newRow("not UTF-8") << file(entry("\xd0\n")) << "line 2: the text is not UTF-8";
        QTest::newRow("surrogate") << file("\r" + entry("\xed\xa0\x80")) << "line 3: the text is not UTF-8";
        QTest::newRow("overlong") << file("\r\n" + entry("\xe0\x80\xaf")) << "line 3: the text is not UTF-8";
        QTest::newRow("overlong in four bytes") << file(entry("\xf0\x8f\xbf\xbf")) << "line 2: the text is not UTF-8";
        QTest::newRow("beyond U+10FFFF") << file(entry("\xf4\x90\x80\x80")) << "line 2: the text is not UTF-8";
        QTest::newRow("cut in a character") << file("") + "\xf4\x8f\xbf" << "line 3: the text is not UTF-8";
        QTest::newRow("UTF-16") << QByteArray("\xff\xfe<\0") << "line 1: the text is not UTF-8";
        QTest::newRow("fault before a bad byte")
            << QByteArray("<KeePassFile></b>\n\xff") << "line 1: Opening and ending tag mismatch.";
        QTest::newRow("another encoding") << "<?xml version='1.0' encoding='ISO-8859-1'?>\n" + file("")
                                          << "line 1: the file declares ISO-8859-1; KeePass XML is UTF-8";
        QTest::newRow("undeclared entity") << file(entry("&nbsp;")) << "line 2: Entity 'nbsp' not declared.";
        QTest::newRow("element in a value") << file(entry("<b/>")) << "line 2: Expected character data.";
        QTest::newRow("another root") << QByteArray("\n<html/>") << "line 2: the root element is html, not KeePassFile";
        QTest::newRow("after the root") << file("") + "<x/>" << "line 3: Extra content at end of document.";
    }

    void stopsAtAFaultOfTheFile()
    {
        QFETCH(QByteArray, xml);
        QFETCH(QString, error);
        const Read got = read(xml);
        QVERIFY(!got.ok);
        QCOMPARE(got.error, error);
    }

    // Built with keepassxc-cli: TOTP, custom strings and an entry to delete
    // seeded by an import, groups, entries and an edit by the commands.
    void readsWhatKeePassXcExports()
    {
        TestVault directory;
        KeePassXcCli::import(file(entry("seeded",
                                        "<String><Key>otp</Key><Value>otpauth://totp/x?secret=JBSWY3DP</Value>"
                                        "</String><String><Key>Zeta</Key><Value>z</Value></String><String>"
                                        "<Key>Alpha</Key><Value>a</Value></String>")
                                  + entry("doomed")),
                             "db.kdbx");
        KeePassXcCli::run({"mkdir", "db.kdbx", "Work"});
        KeePassXcCli::run({"mkdir", "db.kdbx", "Work/Банк"});
        KeePassXcCli::run({"add", "-u", " alice", "--url", "https://bank.example/login", "--notes", "l1\n\nl3\n", "-p",
                           "db.kdbx", "Work/Банк/Сбер"},
                          "pw\nпароль \n");
        KeePassXcCli::run({"add", "-u", "carol", "-p", "db.kdbx", "Work/no url"}, "pw\n<&>\"'\n");
        KeePassXcCli::run({"edit", "-u", "carol2", "db.kdbx", "Work/no url"});
        KeePassXcCli::run({"rm", "db.kdbx", "doomed"});
        Read got = read(KeePassXcCli::run({"export", "-f", "xml", "db.kdbx"}));
        QVERIFY2(got.ok, qPrintable(got.error));
        got.entries.replaceInStrings(QRegularExpression("^\\d+\\|"), "");
        QCOMPARE(got.entries,
                 QStringList({"seeded|||||Group:|otpauth://totp/x?secret=JBSWY3DP|Alpha=a Zeta=z",
                              "no url|carol2|<&>\"'|||Group:Work||",
                              "Сбер| alice|пароль |l1\n\nl3\n|"
                              "https://bank.example/login |Group:Work/Банк||"}));
    }
};

QTEST_GUILESS_MAIN(TestKeePassXmlReader)
#include "tst_keepassxmlreader.moc"
