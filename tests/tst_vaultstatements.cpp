#include "vault/vaultstatements.h"

#include "workingdirectory.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

class TestVaultStatements : public QObject
{
    Q_OBJECT

private slots:
    void textReachesItsColumnUnchanged_data();
    void textReachesItsColumnUnchanged();

private:
    static QStringList row(QSqlQuery &query, qint64 id);
};

void TestVaultStatements::textReachesItsColumnUnchanged_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("storable");

    QTest::newRow("single quote") << "it's" << true;
    QTest::newRow("only quotes") << "'''" << true;
    QTest::newRow("blanks only") << "   " << true;
    QTest::newRow("where clause") << "x' where 1=1 --" << true;
    QTest::newRow("second statement") << "'); DELETE FROM `Data`; --" << true;
    QTest::newRow("backslashes and comments") << "C:\\dir\\'\\ -- /* */" << true;
    QTest::newRow("cyrillic, accents, emoji") << QStringLiteral("почта.рф café \U0001F511") << true;
    QTest::newRow("line breaks") << "a\nb\r\nc" << true;
    // SQLite ends a statement at a zero character: the statement fails whole.
    QTest::newRow("zero character") << QStringLiteral("a") + QChar(0) + "' or 1=1 --" << false;
}

void TestVaultStatements::textReachesItsColumnUnchanged()
{
    QFETCH(QString, text);
    QFETCH(bool, storable);
    WorkingDirectory workDir;
    QVERIFY(workDir.isValid());
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "statements");
        db.setDatabaseName("db.db");
        QVERIFY(db.open());
        QSqlQuery query(db);
        QVERIFY(query.exec(VaultStatements::createDataTable()));
        for (const char *neighbour : {"before", "target", "after"})
            QVERIFY(query.exec(VaultStatements::insertEntry(neighbour, neighbour, "cA==", "aQ==")));

        QCOMPARE(query.exec(VaultStatements::insertEntry(text, text, "cA==", "aQ==")), storable);
        if (storable)
            QCOMPARE(row(query, query.lastInsertId().toLongLong()), QStringList({text, text}));
        QCOMPARE(query.exec(VaultStatements::updateEntry(text + text, text, "p", "i", 2)), storable);
        if (storable)
            QCOMPARE(row(query, 2), QStringList({text + text, text}));
        else
            QCOMPARE(row(query, 2), QStringList({"target", "target"}));
        QCOMPARE(row(query, 1), QStringList({"before", "before"}));
        QCOMPARE(row(query, 3), QStringList({"after", "after"}));

        QVERIFY(query.exec(VaultStatements::deleteEntry(3)));
        QVERIFY(row(query, 3).isEmpty());
        QVERIFY(query.exec(VaultStatements::insertEntry("new", "new", "p", "i")));
        QVERIFY2(query.lastInsertId().toLongLong() > 3, "an id is never given out again");
    }
    QSqlDatabase::removeDatabase("statements");
}

QStringList TestVaultStatements::row(QSqlQuery &query, qint64 id)
{
    if (!query.exec(VaultStatements::selectEntry(id)) || !query.next())
        return {};
    return {query.value(0).toString(), query.value(1).toString()};
}

QTEST_GUILESS_MAIN(TestVaultStatements)
#include "tst_vaultstatements.moc"
