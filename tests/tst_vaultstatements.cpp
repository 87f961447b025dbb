#include "vault/vaultstatements.h"

#include <QtTest>
#include "workingdirectory.h"

#include <QSqlDatabase>
#include <QSqlQuery>

#include <memory>

class TestVaultStatements : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void statementTexts_data();
    void statementTexts();
    void textReachesItsColumnUnchanged_data();
    void textReachesItsColumnUnchanged();
    void textWithZeroCharacterFailsWithoutTouchingRows();
    void deletedIdIsNeverGivenOutAgain();

private:
    qint64 insert(const QString &domain, const QString &login);
    QStringList row(qint64 id);
    int rowCount();

    std::unique_ptr<WorkingDirectory> workDir;
    QSqlDatabase db;
};

static const QString connectionName = QStringLiteral("vaultstatements");

void TestVaultStatements::init()
{
    workDir = std::make_unique<WorkingDirectory>();
    QVERIFY(workDir->isValid());
    db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
    db.setDatabaseName(QStringLiteral("db.db"));
    QVERIFY(db.open());
    QSqlQuery query(db);
    QVERIFY(query.exec(VaultStatements::createDataTable()));
    QVERIFY(query.exec(VaultStatements::createSPassTable()));
}

void TestVaultStatements::cleanup()
{
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(connectionName);
    workDir.reset();
}

void TestVaultStatements::statementTexts_data()
{
    QTest::addColumn<QString>("statement");
    QTest::addColumn<QString>("expected");

    QTest::newRow("create Data") << VaultStatements::createDataTable()
        << "CREATE TABLE Data (id INTEGER PRIMARY KEY AUTOINCREMENT, domain VARCHAR (100), "
           "login VARCHAR (100), pass VARCHAR (100), info VARCHAR (600));";
    QTest::newRow("create SPass") << VaultStatements::createSPassTable()
        << "CREATE TABLE SPass (pass VARCHAR (100));";
    QTest::newRow("list") << VaultStatements::selectEntryList()
        << "SELECT `id`,`domain`,`login` FROM `Data` ORDER BY `domain` ";
    QTest::newRow("entry") << VaultStatements::selectEntry(42)
        << "SELECT `domain`,`login`,`pass`,`info` FROM `Data` WHERE `id` = 42";
    QTest::newRow("entry pass") << VaultStatements::selectEntryPass(7)
        << "SELECT `pass` FROM `Data` WHERE `id` = 7";
    QTest::newRow("delete") << VaultStatements::deleteEntry(9000000000LL)
        << "DELETE FROM `Data` WHERE `id` = 9000000000";
    QTest::newRow("insert") << VaultStatements::insertEntry("d", "l", "p", "i")
        << "INSERT INTO `Data`(`domain`,`login`,`pass`,`info`) VALUES ('d','l','p','i')";
    QTest::newRow("update") << VaultStatements::updateEntry("d", "l", "p", "i", 3)
        << "UPDATE `Data` SET `domain` = 'd',`login` = 'l' ,`pass` = 'p',`info` = 'i' where `id` = 3";
    QTest::newRow("count") << VaultStatements::countCheckValues()
        << "SELECT count(`pass`) FROM `SPass`";
    QTest::newRow("check value") << VaultStatements::selectCheckValue()
        << "SELECT count(`pass`)cnt, `pass` FROM `SPass`";
    QTest::newRow("insert check value") << VaultStatements::insertCheckValue("QUJD")
        << "INSERT INTO `SPass`(`pass`) VALUES ('QUJD')";
}

void TestVaultStatements::statementTexts()
{
    QFETCH(QString, statement);
    QFETCH(QString, expected);
    QCOMPARE(statement, expected);
}

void TestVaultStatements::textReachesItsColumnUnchanged_data()
{
    QTest::addColumn<QString>("text");

    QTest::newRow("single quote") << QStringLiteral("it's");
    QTest::newRow("only quotes") << QStringLiteral("'''");
    QTest::newRow("blanks only") << QStringLiteral("   ");
    QTest::newRow("empty") << QString();
    QTest::newRow("where clause") << QStringLiteral("x' where 1=1 --");
    QTest::newRow("second statement") << QStringLiteral("'); DELETE FROM `Data`; --");
    QTest::newRow("backslashes") << QStringLiteral("C:\\dir\\'\\");
    QTest::newRow("comment marks") << QStringLiteral("-- /* */");
    QTest::newRow("double quotes and backquotes") << QStringLiteral("\"`id`\"");
    QTest::newRow("cyrillic") << QStringLiteral("почта.рф Логин");
    QTest::newRow("emoji and accents") << QStringLiteral("café \U0001F511");
    QTest::newRow("line breaks") << QStringLiteral("a\nb\r\nc");
}

void TestVaultStatements::textReachesItsColumnUnchanged()
{
    QFETCH(QString, text);

    const qint64 neighbourBefore = insert(QStringLiteral("before"), QStringLiteral("b"));
    const qint64 id = insert(text, text);
    const qint64 neighbourAfter = insert(QStringLiteral("after"), QStringLiteral("a"));
    QVERIFY(id > 0);
    QCOMPARE(row(id), QStringList({text, text}));

    QSqlQuery query(db);
    QVERIFY(query.exec(VaultStatements::updateEntry(text + text, text, QStringLiteral("p"),
                                                    QStringLiteral("i"), id)));
    QCOMPARE(row(id), QStringList({text + text, text}));
    QCOMPARE(row(neighbourBefore), QStringList({"before", "b"}));
    QCOMPARE(row(neighbourAfter), QStringList({"after", "a"}));
    QCOMPARE(rowCount(), 3);
}

void TestVaultStatements::textWithZeroCharacterFailsWithoutTouchingRows()
{
    const qint64 id = insert(QStringLiteral("keep"), QStringLiteral("me"));
    const QString withZero = QStringLiteral("a") + QChar(0) + QStringLiteral("' or 1=1 --");

    QSqlQuery query(db);
    QVERIFY(!query.exec(VaultStatements::insertEntry(withZero, "l", "p", "i")));
    QVERIFY(!query.exec(VaultStatements::updateEntry(withZero, withZero, "p", "i", id)));
    QCOMPARE(row(id), QStringList({"keep", "me"}));
    QCOMPARE(rowCount(), 1);
}

void TestVaultStatements::deletedIdIsNeverGivenOutAgain()
{
    insert(QStringLiteral("a"), QStringLiteral("a"));
    const qint64 highest = insert(QStringLiteral("b"), QStringLiteral("b"));
    QSqlQuery query(db);
    QVERIFY(query.exec(VaultStatements::deleteEntry(highest)));
    QVERIFY(query.exec(VaultStatements::selectEntry(highest)));
    QVERIFY(!query.next());
    QVERIFY(insert(QStringLiteral("c"), QStringLiteral("c")) > highest);
}

qint64 TestVaultStatements::insert(const QString &domain, const QString &login)
{
    QSqlQuery query(db);
    if (!query.exec(VaultStatements::insertEntry(domain, login, QStringLiteral("cA=="),
                                                 QStringLiteral("aQ=="))))
        return -1;
    return query.lastInsertId().toLongLong();
}

QStringList TestVaultStatements::row(qint64 id)
{
    QSqlQuery query(db);
    if (!query.exec(VaultStatements::selectEntry(id)) || !query.next())
        return {};
    return {query.value(0).toString(), query.value(1).toString()};
}

int TestVaultStatements::rowCount()
{
    QSqlQuery query(db);
    query.exec(QStringLiteral("SELECT count(*) FROM Data"));
    return query.next() ? query.value(0).toInt() : -1;
}

QTEST_GUILESS_MAIN(TestVaultStatements)
#include "tst_vaultstatements.moc"
