#include "generator/passwordgenerator.h"

#include <QtTest>

#include <QTime>

#include <limits>

class TestPasswordGenerator : public QObject
{
    Q_OBJECT

private slots:
    void everyDrawHasAsManyQrandValues_data();
    void everyDrawHasAsManyQrandValues();
    void drawCounts_data();
    void drawCounts();
    void sameSeedGivesSamePassword_data();
    void sameSeedGivesSamePassword();
    void constructionSeedsWithSecondsSinceMidnight();
    void singleClassYieldsOnlyItsCharacters_data();
    void singleClassYieldsOnlyItsCharacters();
    void fourClassesEachSupplyAQuarter();
    void lengthIsCapped_data();
    void lengthIsCapped();
    void defaultsAndSetters();
};

static const QString specialCharacters = QStringLiteral("!@#$%^&*()_+=-<>?.,;:{}");

static void seedWith(uint seed)
{
QT_WARNING_PUSH
QT_WARNING_DISABLE_DEPRECATED
    qsrand(seed);
QT_WARNING_POP
}

// The constructor seeds with 0..86399 only, so this covers every password
// the program can give for these settings.
static QString passwordsForEverySeed(const PasswordGenerator &generator)
{
    QString all;
    for (uint seed = 0; seed < 86400; ++seed) {
        seedWith(seed);
        all += generator.generate();
    }
    return all;
}

// One representative per class that occurs, in a fixed order; '?' for anything else.
static QString classesOf(const QString &text)
{
    bool digit = false, lower = false, upper = false, special = false, other = false;
    for (const QChar c : text) {
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            digit = true;
        else if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            lower = true;
        else if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            upper = true;
        else if (specialCharacters.contains(c))
            special = true;
        else
            other = true;
    }
    QString classes;
    if (digit)
        classes += QLatin1Char('0');
    if (lower)
        classes += QLatin1Char('a');
    if (upper)
        classes += QLatin1Char('A');
    if (special)
        classes += QLatin1Char('!');
    if (other)
        classes += QLatin1Char('?');
    return classes;
}

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

void TestPasswordGenerator::sameSeedGivesSamePassword_data()
{
    QTest::addColumn<uint>("seed");

    QTest::newRow("midnight") << 0u;
    QTest::newRow("midday") << 43200u;
    QTest::newRow("last second of the day") << 86399u;
}

void TestPasswordGenerator::sameSeedGivesSamePassword()
{
    QFETCH(uint, seed);

    const PasswordGenerator first(true, true, true, true, 64);
    seedWith(seed);
    const QString password = first.generate();
    QCOMPARE(password.size(), 64);

    const PasswordGenerator second(true, true, true, true, 64);
    seedWith(seed);
    QCOMPARE(second.generate(), password);
    seedWith((seed + 43200) % 86400);
    QVERIFY(second.generate() != password);
}

void TestPasswordGenerator::constructionSeedsWithSecondsSinceMidnight()
{
    const auto secondsSinceMidnight = [] {
        return QTime(0, 0, 0, 0).secsTo(QTime::currentTime());
    };
    // A second may begin between the two readings; then try again.
    for (int attempt = 0; attempt < 10; ++attempt) {
        const int before = secondsSinceMidnight();
        seedWith(static_cast<uint>(before) + 1);
        const PasswordGenerator generator(true, true, true, true, 64);
        const QString password = generator.generate();
        const PasswordGenerator again(true, true, true, true, 64);
        const QString passwordAgain = again.generate();
        if (secondsSinceMidnight() != before)
            continue;

        QCOMPARE(passwordAgain, password);
        seedWith(static_cast<uint>(before));
        QCOMPARE(generator.generate(), password);
        return;
    }
    QFAIL("no attempt stayed within one second");
}

void TestPasswordGenerator::singleClassYieldsOnlyItsCharacters_data()
{
    QTest::addColumn<bool>("useNumber");
    QTest::addColumn<bool>("useChar");
    QTest::addColumn<bool>("useSpecialChar");
    QTest::addColumn<bool>("useUpperChar");
    QTest::addColumn<QString>("characters");
    QTest::addColumn<QString>("onlyFromZero");

    QTest::newRow("digits") << true << false << false << false
        << QStringLiteral("0123456789") << QStringLiteral("9");
    QTest::newRow("lower-case letters") << false << true << false << false
        << QStringLiteral("abcdefghijklmnopqrstuvwxyz") << QStringLiteral("z");
    QTest::newRow("upper-case letters") << false << false << false << true
        << QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ") << QStringLiteral("Z");
    QTest::newRow("special characters") << false << false << true << false
        << specialCharacters << QString();
}

void TestPasswordGenerator::singleClassYieldsOnlyItsCharacters()
{
    QFETCH(bool, useNumber);
    QFETCH(bool, useChar);
    QFETCH(bool, useSpecialChar);
    QFETCH(bool, useUpperChar);
    QFETCH(QString, characters);
    QFETCH(QString, onlyFromZero);

    const PasswordGenerator generator(useNumber, useChar, useSpecialChar, useUpperChar, 8);
    const QString all = passwordsForEverySeed(generator);
    QCOMPARE(all.size(), 86400 * 8);

    QHash<QChar, int> counts;
    for (const QChar c : all)
        ++counts[c];
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        QVERIFY2(characters.contains(it.key()),
                 qPrintable(QStringLiteral("unexpected character U+%1")
                                .arg(it.key().unicode(), 4, 16, QLatin1Char('0'))));
    for (const QChar c : characters)
        QVERIFY2(counts.value(c) > 0, qPrintable(QStringLiteral("%1 never comes").arg(c)));
    // R = 0 alone gives it: about once in 32,768 characters.
    if (!onlyFromZero.isEmpty())
        QVERIFY2(counts.value(onlyFromZero.at(0)) <= all.size() / 8192,
                 qPrintable(QStringLiteral("%1 comes %2 times")
                                .arg(onlyFromZero).arg(counts.value(onlyFromZero.at(0)))));
}

void TestPasswordGenerator::fourClassesEachSupplyAQuarter()
{
    const PasswordGenerator generator(true, true, true, true, 8);
    const QString all = passwordsForEverySeed(generator);
    QCOMPARE(all.size(), 86400 * 8);

    QHash<QString, int> counts;
    for (const QChar c : all)
        ++counts[classesOf(QString(c))];
    QCOMPARE(counts.size(), 4);
    for (const QString &cls : {QStringLiteral("0"), QStringLiteral("a"), QStringLiteral("A"),
                               QStringLiteral("!")}) {
        const double share = double(counts.value(cls)) / all.size();
        QVERIFY2(share > 0.23 && share < 0.27,
                 qPrintable(QStringLiteral("class %1 has a share of %2").arg(cls).arg(share)));
    }
}

void TestPasswordGenerator::lengthIsCapped_data()
{
    QTest::addColumn<bool>("anyClass");
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("expected");

    QTest::newRow("most negative") << true << std::numeric_limits<int>::min() << 0;
    QTest::newRow("negative") << true << -1 << 0;
    QTest::newRow("zero") << true << 0 << 0;
    QTest::newRow("one") << true << 1 << 1;
    QTest::newRow("ten") << true << 10 << 10;
    QTest::newRow("cap") << true << 4096 << 4096;
    QTest::newRow("one above the cap") << true << 4097 << 4096;
    QTest::newRow("largest int") << true << std::numeric_limits<int>::max() << 4096;
    QTest::newRow("no class, ten") << false << 10 << 0;
    QTest::newRow("no class, largest int") << false << std::numeric_limits<int>::max() << 0;
}

void TestPasswordGenerator::lengthIsCapped()
{
    QFETCH(bool, anyClass);
    QFETCH(int, length);
    QFETCH(int, expected);

    const PasswordGenerator generator(anyClass, anyClass, anyClass, anyClass, length);
    const QString password = generator.generate();
    QCOMPARE(password.size(), expected);
    QVERIFY(!classesOf(password).contains(QLatin1Char('?')));
}

void TestPasswordGenerator::defaultsAndSetters()
{
    PasswordGenerator generator;
    seedWith(1);
    QCOMPARE(generator.generate().size(), 6);

    // 4,096 characters: a class that is on practically always shows.
    generator.setLength(4096);
    QCOMPARE(classesOf(generator.generate()), QStringLiteral("0aA"));
    generator.setUseNumber(false);
    QCOMPARE(classesOf(generator.generate()), QStringLiteral("aA"));
    generator.setUseChar(false);
    QCOMPARE(classesOf(generator.generate()), QStringLiteral("A"));
    generator.setUseSpecialChar(true);
    QCOMPARE(classesOf(generator.generate()), QStringLiteral("A!"));
    generator.setUseUpperChar(false);
    QCOMPARE(classesOf(generator.generate()), QStringLiteral("!"));
    generator.setUseNumber(true);
    generator.setUseChar(true);
    generator.setUseUpperChar(true);
    QCOMPARE(classesOf(generator.generate()), QStringLiteral("0aA!"));
    generator.setUseSpecialChar(false);
    QCOMPARE(classesOf(generator.generate()), QStringLiteral("0aA"));
    QCOMPARE(generator.generate().size(), 4096);
}

QTEST_GUILESS_MAIN(TestPasswordGenerator)
#include "tst_passwordgenerator.moc"
