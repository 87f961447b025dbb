#include "generator/passwordgenerator.h"

#include <QTime>
#include <QtTest>

// The test seeds qrand() itself, as the generator does; Qt has deprecated both.
QT_WARNING_PUSH
QT_WARNING_DISABLE_DEPRECATED

class TestPasswordGenerator : public QObject
{
    Q_OBJECT

private slots:
    // qrand() gives 1..2^31 - 2, and each R must come from as many of those
    // values; 0 and 2^31 - 1 would be skipped anyway.
    void everyDrawComesFromAsManyQrandValues()
    {
        for (const qint64 r : {0, 1, 32767}) {
            int values = 0;
            for (qint64 value = r << 16; value < (r + 1) << 16; ++value)
                values += drawFromQrandValue(int(value)) == r;
            QCOMPARE(values, 65534);
        }
    }

    // Each generator is seeded with the second of the day it was made in,
    // so there are 86,400 passwords of a kind. With all four classes, every
    // character of each class appears among them, each class in a quarter.
    // Without settings, a generator makes 6 characters.
    void fourClassesFromTheSecondOfTheDay()
    {
        QCOMPARE(PasswordGenerator().generate().size(), 6);
        const PasswordGenerator generator(true, true, true, true, 8);
        int second;
        QString password;
        do {
            second = QTime(0, 0).secsTo(QTime::currentTime());
            password = PasswordGenerator(true, true, true, true, 8).generate();
        } while (QTime(0, 0).secsTo(QTime::currentTime()) != second);
        QHash<QChar, int> counts;
        for (int seed = 0; seed < 86400; ++seed) {
            qsrand(uint(seed));
            const QString generated = generator.generate();
            QVERIFY(seed != second || generated == password);
            for (const QChar c : generated)
                ++counts[c];
        }
        int seen = 0;
        for (const QString &characters : QStringList{"0123456789", "abcdefghijklmnopqrstuvwxyz",
                                                     "ABCDEFGHIJKLMNOPQRSTUVWXYZ", "!@#$%^&*()_+=-<>?.,;:{}"}) {
            int share = 0;
            for (const QChar c : characters) {
                QVERIFY2(counts.value(c) > 0, qPrintable(c));
                share += counts.value(c);
            }
            QVERIFY(qAbs(share - 86400 * 2) < 86400 / 6);
            seen += share;
        }
        QCOMPARE(seen, 86400 * 8);
    }
};

QT_WARNING_POP

QTEST_GUILESS_MAIN(TestPasswordGenerator)
#include "tst_passwordgenerator.moc"
