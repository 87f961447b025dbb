#include "generator/passwordgenerator.h"

#include <QtTest>

class TestPasswordGenerator : public QObject
{
    Q_OBJECT

private slots:
    void everyDrawHasAsManyQrandValues_data();
    void everyDrawHasAsManyQrandValues();
    void drawCounts_data();
    void drawCounts();
};

void TestPasswordGenerator::everyDrawHasAsManyQrandValues_data()
{
    QTest::addColumn<int>("r");

    QTest::newRow("0") << 0;
    QTest::newRow("1") << 1;
    QTest::newRow("16384") << 16384;
    QTest::newRow("32766") << 32766;
    QTest::newRow("32767") << 32767;
}

// qrand() gives 1..2147483646; every R must come from as many of those as
// any other. Only the values whose top 15 bits are R are tried.
void TestPasswordGenerator::everyDrawHasAsManyQrandValues()
{
    QFETCH(int, r);

    const qint64 start = qMax<qint64>(1, qint64(r) << 16);
    const qint64 end = qMin<qint64>(2147483646, (qint64(r) << 16) + 0xffff);
    int values = 0;
    for (qint64 value = start; value <= end; ++value) {
        const int draw = drawFromQrandValue(int(value));
        if (draw == -1)
            continue;
        if (draw != r)
            QFAIL(qPrintable(QStringLiteral("%1 gives R %2").arg(value).arg(draw)));
        ++values;
    }
    QCOMPARE(values, 65534);
}

void TestPasswordGenerator::drawCounts_data()
{
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("second");
    QTest::addColumn<int>("fewest");
    QTest::addColumn<int>("most");

    QTest::newRow("digits") << 48 << 57 << 3640 << 3641;
    QTest::newRow("lower-case letters") << 97 << 122 << 1310 << 1311;
    QTest::newRow("upper-case letters") << 65 << 90 << 1310 << 1311;
    QTest::newRow("special character index") << 0 << 23 << 1424 << 1425;
    QTest::newRow("position of four") << 0 << 4 << 8191 << 8192;
    QTest::newRow("position of three") << 0 << 3 << 10922 << 10923;
    QTest::newRow("position of two") << 0 << 2 << 16383 << 16384;
    QTest::newRow("position of one") << 0 << 1 << 32767 << 32767;
}

// Every R from 1 to 32767 must land in first..second - 1, so the counts add
// up to 32,767: with these bounds that pins them down but for their order.
void TestPasswordGenerator::drawCounts()
{
    QFETCH(int, first);
    QFETCH(int, second);
    QFETCH(int, fewest);
    QFETCH(int, most);

    QCOMPARE(valueInRange(0, first, second), second);
    QCOMPARE(valueInRange(32767, first, second), first);
    QVector<int> counts(second - first);
    for (int r = 1; r <= 32767; ++r) {
        const int value = valueInRange(r, first, second);
        if (value < first || value >= second)
            QFAIL(qPrintable(QStringLiteral("R %1 gives %2").arg(r).arg(value)));
        ++counts[value - first];
    }
    for (int i = 0; i < counts.size(); ++i)
        QVERIFY2(counts[i] >= fewest && counts[i] <= most,
                 qPrintable(QStringLiteral("%1 comes %2 times").arg(first + i).arg(counts[i])));
}

QTEST_GUILESS_MAIN(TestPasswordGenerator)
#include "tst_passwordgenerator.moc"
