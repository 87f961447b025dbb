#include "formats/csvtable.h"

#include <QtTest>

// The CSV reader, fed as a pipe feeds it: a few bytes at a time, so that
// every record, quote and line break also falls across the reader's refills.
class TestCsvTable : public QObject
{
    Q_OBJECT

    // The bytes given, then the pattern again and again up to size bytes;
    // a byte a read where that makes a few kilobytes, else a mebibyte.
    class Stream : public QIODevice
    {
    public:
        Stream(const QByteArray &start, const QByteArray &pattern, qint64 size)
            : start(start)
            , pattern(pattern.repeated(qMax(1, (1 << 16) / pattern.size())))
            , size(size)
            , chunk(size < 4096 ? 1 : 1 << 20)
        {
            open(QIODevice::ReadOnly | QIODevice::Unbuffered);
        }
        bool isSequential() const override { return true; }

    protected:
        qint64 readData(char *data, qint64 maxSize) override
        {
            const qint64 count = qMin(qMin(maxSize, qint64(chunk)), size - given);
            for (qint64 at = 0; at < count;) {
                const qint64 offset = given - start.size();
                const QByteArray &from = offset < 0 ? start : pattern;
                const int first = int(offset < 0 ? given : offset % pattern.size());
                const int run = int(qMin(count - at, qint64(from.size() - first)));
                memcpy(data + at, from.constData() + first, size_t(run));
                at += run;
                given += run;
            }
            return count;
        }
        qint64 writeData(const char *, qint64) override { return -1; }

    private:
        const QByteArray start, pattern;
        const qint64 size;
        const int chunk;
        qint64 given = 0;
    };

    // Each record as its line, a colon and its fields joined by "|".
    static QStringList readAll(QIODevice *input, QString *error)
    {
        CsvTable table(input);
        QStringList records;
        CsvTable::Record record;
        while (table.next(&record, error) && !record.fields.isEmpty())
            records << QString::number(record.line) + ':' + record.fields.join('|');
        return records;
    }

private slots:
    void readsRecordsWithTheirLines_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QStringList>("records");
        QTest::newRow("CRLF, LF, a lone CR")
            << QByteArray("a,b\r\nc\nd\re") << QStringList{"1:a|b", "2:c", "3:d", "4:e"};
        QTest::newRow("blank lines skipped and counted")
            << QByteArray("\n\na\r\n\r\n\r\rb\n\n") << QStringList{"3:a", "7:b"};
        QTest::newRow("line breaks in quotes kept and counted")
            << QByteArray("\"x\r\ny\rz\n\",q\r\nw") << QStringList{"1:x\r\ny\rz\n|q", "5:w"};
        QTest::newRow("quotes doubled") << QByteArray("\"a\"\"b\",\"\",\"\"\"\"") << QStringList{"1:a\"b||\""};
        QTest::newRow("empty fields") << QByteArray(",a,,\n,") << QStringList{"1:|a||", "2:|"};
        QTest::newRow("byte order mark dropped at the start only") << QByteArray("\xEF\xBB\xBF"
                                                                                 "a\n\xEF\xBB\xBF"
                                                                                 "b")
                                                                   << QStringList{"1:a", "2:\uFEFFb"};
        QTest::newRow("UTF-8 and zero bytes") << QByteArray("иван,\xF0\x9F\x94\x91\na") + '\0' + 'b'
                                              << QStringList{"1:иван|🔑", QString("2:a") + QChar(0) + 'b'};
        QTest::newRow("1,000 fields") << QByteArray(999, ',') << QStringList{"1:" + QString(999, '|')};
        QTest::newRow("nothing") << QByteArray() << QStringList();
    }

    void readsRecordsWithTheirLines()
    {
        QFETCH(QByteArray, text);
        Stream stream(text, "-", text.size());
        QString error;
        QTEST(readAll(&stream, &error), "records");
        QCOMPARE(error, QString());
    }

    void refusesWithTheLine_data()
    {
        QTest::addColumn<QByteArray>("start");
        QTest::addColumn<QByteArray>("pattern");
        QTest::addColumn<qint64>("size");
        QTest::addColumn<QString>("fault");
        const qint64 mebibyte = 1024 * 1024;
        QTest::newRow("unclosed") << QByteArray("a\n\"b\nc") << QByteArray("-") << 6ll
                                  << "^line 2: a quoted field is not closed$";
        QTest::newRow("quote in a field")
            << QByteArray("a\n\nb\"c") << QByteArray("-") << 6ll << "^line 3: a quote out of place$";
        QTest::newRow("text after quotes")
            << QByteArray("\"a\nb\"c") << QByteArray("-") << 6ll << "^line 2: a quote out of place$";
        QTest::newRow("not UTF-8") << QByteArray("a\n\xe7") << QByteArray("-") << 3ll
                                   << "^line 2: the text is not UTF-8$";
        QTest::newRow("1,001 fields") << QByteArray("a\n") << QByteArray(",") << 1002ll
                                      << "^line 2: a record has more than 1,000 fields$";
        QTest::newRow("endless zeros") << QByteArray("a\n") << QByteArray(1, '\0') << (qint64(1) << 40)
                                       << "^line 2: a field is longer than 64 MiB$";
        QTest::newRow("a record over 64 MiB") << QByteArray("a\n") << QByteArray(mebibyte, 'x') + ',' << 65 * mebibyte
                                              << "^line 2: a record is longer than 64 MiB$";
        QTest::newRow("2 GiB of blank lines") << QByteArray("a\n") << QByteArray("\n") << (qint64(1) << 31)
                                              << "^line \\d{10}: the file is 2 GiB or larger$";
    }

    void refusesWithTheLine()
    {
        QFETCH(QByteArray, start);
        QFETCH(QByteArray, pattern);
        QFETCH(qint64, size);
        QFETCH(QString, fault);
        Stream stream(start, pattern, size);
        QString error;
        readAll(&stream, &error);
        QVERIFY2(QRegularExpression(fault).match(error).hasMatch(), qPrintable(error));
    }

    // Its size is known before a byte of it is read.
    void refusesAFileOf2GiBAtOnce()
    {
        QTemporaryFile file;
        QVERIFY(file.open() && file.write("a\n") == 2 && file.resize(qint64(1) << 31) && file.seek(0));
        QString error;
        QCOMPARE(readAll(&file, &error), QStringList());
        QCOMPARE(error, "line 1: the file is 2 GiB or larger");
    }
};

QTEST_GUILESS_MAIN(TestCsvTable)
#include "tst_csvtable.moc"
