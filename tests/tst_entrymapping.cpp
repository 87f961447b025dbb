#include "formats/entrymapping.h"

#include <QtTest>

Q_DECLARE_METATYPE(PeerEntry)

// A peer's entry made one of ours: the domain from its addresses or its
// title, and every other value it holds kept in the note. The samples of
// tst_entryformats show the rest: titles, places, TOTP, fields, refusals.
class TestEntryMapping : public QObject
{
    Q_OBJECT

    static PeerEntry peer(const QString &title, const QStringList &urls, const QString &notes = QString())
    {
        PeerEntry entry;
        entry.line = 7;
        entry.title = title;
        entry.urls = urls;
        entry.notes = notes;
        entry.fields = {{"Group", notes.isEmpty() ? "" : "G"}};
        return entry;
    }

private slots:
    void mapsDomainAndNote_data()
    {
        QTest::addColumn<PeerEntry>("from");
        QTest::addColumn<QString>("domain");
        QTest::addColumn<QString>("note");
        QTest::newRow("the first address with a host")
            << peer("", {"cmd://a.example", "{REF:U@I:1}", "https://B.example/in", "https://c.example"}) << "b.example"
            << "URL: cmd://a.example\nURL: {REF:U@I:1}\nURL: https://B.example/in\nURL: https://c.example";
        QTest::newRow("no scheme: https") << peer("", {"twitter.com/", "HTTPS://twitter.com"}) << "twitter.com" << "";
        QTest::newRow("a port, another scheme") << peer("", {"localhost:8080", "http://localhost"}) << "localhost"
                                                << "URL: localhost:8080\nURL: http://localhost";
        QTest::newRow("every label decoded, or kept")
            << peer("", {"https://xn--99999951z.xn--809.xn--ib9b.xn--en32g.xn--80a_b.xn--e1afmkfd.xn--80a1acny.ru/"})
            << "xn--99999951z.xn--809.xn--ib9b.xn--en32g.xn--80a_b.пример.почта.ru" << "";
        QTest::newRow("no host: the title") << peer("router", {"cmd://ping"}) << "router" << "URL: cmd://ping";
        QTest::newRow("notes ending in one") << peer("t", {}, "n\r") << "t" << "n\r\nGroup: G";
        QTest::newRow("notes alone") << peer("", {}, "\n") << "" << "\n\nGroup: G";
    }

    void mapsDomainAndNote()
    {
        QFETCH(PeerEntry, from);
        Entry entry;
        QString refusal;
        QVERIFY(EntryMapping::toEntry(from, &entry, &refusal));
        QTEST(entry.domain, "domain");
        QTEST(entry.note, "note");
    }
};

QTEST_GUILESS_MAIN(TestEntryMapping)
#include "tst_entrymapping.moc"
