#include "formats/csvtable.h"

#include <QTextCodec>

namespace {
// Where the text is read and which line that is.
struct Reader
{
    const QByteArray &text;
    int position = 0;
    int line = 1;

    bool atEnd() const { return position >= text.size(); }
    char peek(int ahead = 0) const { return position + ahead < text.size() ? text.at(position + ahead) : '\0'; }
    bool atRecordEnd() const { return peek() == '\n' || (peek() == '\r' && peek(1) == '\n'); }
};

bool lineFault(int line, const char *fault, QString *error)
{
    *error = QStringLiteral("line %1: %2").arg(line).arg(QLatin1String(fault));
    return false;
}

// A quoted field, from its opening quote on; false if it is never closed.
bool readQuoted(Reader &reader, QByteArray *field)
{
    ++reader.position;
    while (!reader.atEnd()) {
        const char c = reader.text.at(reader.position++);
        if (c == '"') {
            if (reader.peek() != '"')
                return true;
            ++reader.position;
        } else if (c == '\n') {
            ++reader.line;
        }
        field->append(c);
    }
    return false;
}

void readPlain(Reader &reader, QByteArray *field)
{
    while (!reader.atEnd() && reader.peek() != ',' && reader.peek() != '"' && !reader.atRecordEnd())
        field->append(reader.text.at(reader.position++));
}
}

QByteArray CsvTable::formatRecord(const QStringList &fields)
{
    QByteArrayList formatted;
    for (const QString &field : fields)
        formatted << formatField(field);
    return formatted.join(',') + "\r\n";
}

bool CsvTable::parse(const QByteArray &text, QVector<Record> *records, QString *error)
{
    Reader reader{text};
    if (text.startsWith("\xEF\xBB\xBF"))
        reader.position = 3;
    while (!reader.atEnd()) {
        Record record{reader.line, {}};
        for (bool more = true; more;) {
            QByteArray bytes;
            if (reader.peek() != '"')
                readPlain(reader, &bytes);
            else if (!readQuoted(reader, &bytes))
                return lineFault(record.line, "a quoted field is not closed", error);
            QString field;
            if (!decodeUtf8(bytes, &field))
                return lineFault(record.line, "the text is not UTF-8", error);
            record.fields << field;
            more = reader.peek() == ',';
            if (!more && !reader.atEnd() && !reader.atRecordEnd())
                return lineFault(reader.line, "a quote out of place", error);
            reader.position += reader.peek() == '\r' ? 2 : 1;
        }
        reader.line += 1;
        records->append(record);
    }
    return true;
}

QByteArray CsvTable::formatField(const QString &field)
{
    QByteArray bytes = field.toUtf8();
    for (const char special : {',', '"', '\r', '\n'}) {
        if (bytes.contains(special))
            return '"' + bytes.replace('"', "\"\"") + '"';
    }
    return bytes;
}

bool CsvTable::decodeUtf8(const QByteArray &bytes, QString *text)
{
    QTextCodec::ConverterState state(QTextCodec::IgnoreHeader);
    *text = QTextCodec::codecForName("UTF-8")->toUnicode(bytes.constData(), bytes.size(), &state);
    return state.invalidChars == 0 && state.remainingChars == 0;
}
