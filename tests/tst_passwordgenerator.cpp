#include "generator/passwordgenerator.h"

#include <QTime>
#include <QtTest>

#include <limits>

class TestPasswordGenerator : public QObject
{
    Q_OBJECT

private slots:
    void everyDrawIsEquallyLikely_data();
    void everyDrawIsEquallyLikely();
    void sameSecondGivesSamePassword();
    void classesGiveOnlyTheirCharactersInFairShares_data();
    void classesGiveOnlyTheirCharactersInFairShares();
    void lengthIsCapped_data();
    void lengthIsCapped();
};

static void seedWith(uint seed)
{
QT_WARNING_PUSH
QT_WARNING_DISABLE_DEPRECATED
    qsrand(seed);
QT_WARNING_POP
}

void TestPasswordGenerator::everyDrawIsEquallyLikely_data()
{
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("second");
    QTest::addColumn<int>("fewest");
    QTest::addColumn<int>("most");
    QTest::addColumn<int>("r");

    QTest::newRow("digits") << 48 << 57 << 3640 << 3641 << 0;
    QTest::newRow("lower-case letters") << 97 << 122 << 1310 << 1311 << 32767;
    QTest::newRow("special character index") << 0 << 23 << 1424 << 1425 << 1;
    QTest::newRow("position of four") << 0 << 4 << 8191 << 8192 << 16384;
    QTest::newRow("position of three") << 0 << 3 << 10922 << 10923 << 32766;
    QTest::newRow("position of two") << 0 << 2 << 16383 << 16384 << 2;
    QTest::newRow("position of one") << 0 << 1 << 32767 << 32767 << 12345;
}

void TestPasswordGenerator::everyDrawIsEquallyLikely()
{
    QFETCH(int, first);
    QFETCH(int, second);
    QFETCH(int, fewest);
    QFETCH(int, most);
    QFETCH(int, r);

    QCOMPARE(valueInRange(0, first, second), second);
    QVector<int> counts(second - first);
    for (int r = 1; r <= 32767; ++r) {
        const int value = valueInRange(r, first, second);
        QVERIFY(value >= first && value < second);
        ++counts[value - first];
    }
    QCOMPARE(valueInRange(32767, first, second), first);
    for (int count : counts)
        QVERIFY(count >= fewest && count <= most);

    // Each R comes from exactly as many values of qrand() (1..2^31 - 2).
    int values = 0;
    for (qint64 value = qMax<qint64>(1, qint64(r) << 16); value <= (qint64(r) << 16) + 0xffff; ++value)
        values += drawFromQrandValue(int(value)) == r;
    QCOMPARE(values, 65534);
}

void TestPasswordGenerator::sameSecondGivesSamePassword()
{
    const auto secondsSinceMidnight = [] { return QTime(0, 0, 0, 0).secsTo(QTime::currentTime()); };
    for (int attempt = 0; attempt < 10; ++attempt) {
        const int before = secondsSinceMidnight();
        const QString password = PasswordGenerator(true, true, true, true, 64).generate();
        const QString again = PasswordGenerator(true, true, true, true, 64).generate();
        if (secondsSinceMidnight() != before)
            continue;
        QCOMPARE(again, password);
        // The construction seeded with exactly the seconds since midnight.
        const PasswordGenerator generator(true, true, true, true, 64);
        seedWith(uint(before));
        QCOMPARE(generator.generate(), password);
        seedWith(uint(before + 1));
        QVERIFY(generator.generate() != password);
        return;
    }
    QFAIL("no attempt stayed within one second");
}

void TestPasswordGenerator::classesGiveOnlyTheirCharactersInFairShares_data()
{
    QTest::addColumn<QList<bool>>("classes");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QString>("rare");

    const QString digits = "0123456789";
    const QString lower = "abcdefghijklmnopqrstuvwxyz";
    const QString upper = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    const QString special = "!@#$%^&*()_+=-<>?.,;:{}";
    // Flags in the constructor's order: number, char, special, upper.
    QTest::newRow("digits") << QList<bool>({true, false, false, false}) << QStringList(digits) << "9";
    QTest::newRow("lower") << QList<bool>({false, true, false, false}) << QStringList(lower) << "z";
    QTest::newRow("upper") << QList<bool>({false, false, false, true}) << QStringList(upper) << "Z";
    QTest::newRow("special") << QList<bool>({false, false, true, false}) << QStringList(special) << "";
    QTest::newRow("all four") << QList<bool>({true, true, true, true})
                              << QStringList({digits, lower, upper, special}) << "9zZ";
    QTest::newRow("none") << QList<bool>({false, false, false, false}) << QStringList() << "";
}

void TestPasswordGenerator::classesGiveOnlyTheirCharactersInFairShares()
{
    QFETCH(QList<bool>, classes);
    QFETCH(QStringList, expected);
    QFETCH(QString, rare);

    // The constructor seeds with 0..86399 only: this is every password there is.
    const PasswordGenerator generator(classes[0], classes[1], classes[2], classes[3], 8);
    QHash<QChar, int> counts;
    int total = 0;
    for (uint seed = 0; seed < 86400; ++seed) {
        seedWith(seed);
        for (const QChar c : generator.generate())
            ++counts[c], ++total;
    }
    QCOMPARE(total, expected.isEmpty() ? 0 : 86400 * 8);
    int seen = 0;
    for (const QString &characters : expected) {
        int share = 0;
        for (const QChar c : characters) {
            QVERIFY2(counts.value(c) > 0, qPrintable(QString(c)));
            share += counts.value(c);
        }
        QVERIFY(share > total / expected.size() * 0.92 && share < total / expected.size() * 1.08);
        seen += share;
    }
    QCOMPARE(seen, total);
    // R = 0 alone gives these: about once in 32,768 draws.
    for (const QChar c : rare)
        QVERIFY2(counts.value(c) <= total / 8192, qPrintable(QString(c)));
}

void TestPasswordGenerator::lengthIsCapped_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("expected");

    QTest::newRow("most negative") << std::numeric_limits<int>::min() << 0;
    QTest::newRow("zero") << 0 << 0;
    QTest::newRow("ten") << 10 << 10;
    QTest::newRow("cap") << 4096 << 4096;
    QTest::newRow("one above the cap") << 4097 << 4096;
    QTest::newRow("largest int") << std::numeric_limits<int>::max() << 4096;
}

void TestPasswordGenerator::lengthIsCapped()
{
    QFETCH(int, length);
    QFETCH(int, expected);
    QCOMPARE(PasswordGenerator(true, false, false, false, length).generate().size(), expected);
    QCOMPARE(PasswordGenerator().generate().size(), 6);
}

QTEST_GUILESS_MAIN(TestPasswordGenerator)
#include "tst_passwordgenerator.moc"
