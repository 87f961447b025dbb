#ifndef CSVTABLE_H
#define CSVTABLE_H

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
    // Every record of the text with the line it starts on. Returns the fault
    // that stops it, with its line, or nothing.
    static QString parse(const QByteArray &text, QVector<Record> *records);

private:
    static QByteArray formatField(const QString &field);
    static bool decodeUtf8(const QByteArray &bytes, QString *text);
};

#endif // CSVTABLE_H
