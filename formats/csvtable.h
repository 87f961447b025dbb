#ifndef PM_CSVTABLE_H
#define PM_CSVTABLE_H

#include <QByteArray>
#include <QString>
#include <QStringList>

class QIODevice;

// CSV as RFC 4180 has it, in UTF-8: records end in CRLF, fields are split
// by commas, and a field holding a comma, a quote or a line break is quoted
// with its quotes doubled. Reading takes a record at a time from a file or
// a pipe, so that a file costs no more memory than its longest record. LF,
// CRLF and a lone CR each end a line; blank lines between records are
// skipped, though counted; a UTF-8 byte order mark at the start is dropped.
class CsvTable
{
public:
    // Far beyond any password manager's export, and reached as soon as the
    // bytes come in: an endless input is refused before it costs memory.
    static constexpr int longestRecord = 64 * 1024 * 1024;
    static constexpr int mostFields = 1000;
    static constexpr qint64 largestFile = qint64(2) * 1024 * 1024 * 1024;

    struct Record
    {
        // The line the record starts on.
        int line = 0;
        QStringList fields;
    };

    explicit CsvTable(QIODevice *input);

    // The next record, or one without fields at the end of the input. False
    // at a fault that ends the reading, the error naming its line.
    bool next(Record *record, QString *error);

    static QByteArray formatRecord(const QStringList &fields);

private:
    bool fill();
    // The byte that many bytes ahead as 0 to 255, or -1 past the end.
    int peek(int ahead = 0)
    {
        return buffer.size() - position > ahead ? static_cast<unsigned char>(buffer.constData()[position + ahead])
                                                : peekPastBuffer(ahead);
    }
    int peekPastBuffer(int ahead);
    bool skipLineEnd()
    {
        const int c = peek();
        if (c != '\r' && c != '\n')
            return false;
        ++position;
        if (c == '\r' && peek() == '\n')
            ++position;
        return true;
    }
    bool readQuoted(QByteArray *field, int recordLine);
    bool readPlain(QByteArray *field, int recordLine);
    bool append(QByteArray *field, const char *bytes, int count, int recordLine);
    bool fail(qint64 faultLine, const QString &what);

    static QByteArray formatField(const QString &field);
    static bool decodeUtf8(const QByteArray &bytes, QString *text);

    QIODevice *const input;
    QByteArray buffer;
    int position = 0;
    qint64 bytesRead = 0;
    qint64 line = 1;
    int recordBytes = 0;
    bool started = false;
    QString fault;
};

#endif // PM_CSVTABLE_H
