#ifndef PM_CSVTABLE_H
#define PM_CSVTABLE_H

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

// CSV as RFC 4180 has it, in UTF-8: records end in CRLF, fields are split
// by commas, and a field holding a comma, a quote or a line break is quoted
// with its quotes doubled. Reading also takes records that end in a bare LF.
class CsvTable
{
public:
    struct Record
    {
        int line;
        QStringList fields;
    };

    static QByteArray formatRecord(const QStringList &fields);
    // Every record of the text with the line it starts on; otherwise the
    // error names the fault that stops the reading, with its line.
    static bool parse(const QByteArray &text, QVector<Record> *records, QString *error);

private:
    static QByteArray formatField(const QString &field);
    static bool decodeUtf8(const QByteArray &bytes, QString *text);
};

#endif // PM_CSVTABLE_H
