// CSV records read field by field within the limits, line numbers counted as a person counts them.

#include "formats/csvtable.h"

#include <QIODevice>
#include <QTextCodec>

#include <algorithm>

namespace {
constexpr int chunkSize = 64 * 1024;

bool endsPlainField(char c)
{
    return c == ',' || c == '"' || c == '\r' || c == '\n';
}

bool endsQuotedRun(char c)
{
    return c == '"' || c == '\r' || c == '\n';
}
}

CsvTable::CsvTable(QIODevice *input)
    : input(input)
{
}

bool CsvTable::next(Record *record, QString *error)
{
    record->fields.clear();
    if (!started) {
        started = true;
        // A file's size is known before its first byte is read.
        if (!input->isSequential() && input->size() - input->pos() >= largestFile)
            fail(line, QStringLiteral("the file is 2 GiB or larger"));
        if (peek() == 0xEF && peek(1) == 0xBB && peek(2) == 0xBF)
            position += 3;
    }
    while (skipLineEnd())
        ++line;
    record->line = int(line);
    recordBytes = 0;
    if (peek() < 0) {
        *error = fault;
        return fault.isEmpty();
    }
    for (;;) {
        if (record->fields.size() == mostFields) {
            fail(record->line, QStringLiteral("a record has more than 1,000 fields"));
            break;
        }
        QByteArray bytes;
        if (!(peek() == '"' ? readQuoted(&bytes, record->line) : readPlain(&bytes, record->line)))
            break;
        recordBytes += bytes.size();
        QString field;
        if (!decodeUtf8(bytes, &field)) {
            fail(record->line, QStringLiteral("the text is not UTF-8"));
            break;
        }
        record->fields << field;
        if (peek() == ',') {
            ++position;
            continue;
        }
        if (skipLineEnd())
            ++line;
        else if (peek() >= 0)
            fail(line, QStringLiteral("a quote out of place"));
        break;
    }
    *error = fault;
    return fault.isEmpty();
}

QByteArray CsvTable::formatRecord(const QStringList &fields)
{
    QByteArrayList formatted;
    for (const QString &field : fields)
        formatted << formatField(field);
    return formatted.join(',') + "\r\n";
}

// More bytes at the end of the buffer; false at the end of the input or at
// a fault.
bool CsvTable::fill()
{
    if (!fault.isEmpty())
        return false;
    buffer.remove(0, position);
    position = 0;
    const int kept = buffer.size();
    buffer.resize(kept + chunkSize);
    const qint64 count = input->read(buffer.data() + kept, chunkSize);
    buffer.resize(kept + int(qMax<qint64>(count, 0)));
    if (count < 0)
        return fail(line, QStringLiteral("cannot read the file: %1").arg(input->errorString()));
    bytesRead += count;
    if (bytesRead >= largestFile)
        return fail(line, QStringLiteral("the file is 2 GiB or larger"));
    return count > 0;
}

int CsvTable::peekPastBuffer(int ahead)
{
    while (buffer.size() - position <= ahead) {
        if (!fill())
            return -1;
    }
    return static_cast<unsigned char>(buffer.at(position + ahead));
}

// A quoted field, from its opening quote on. Its line breaks are kept as
// they are written, and counted.
bool CsvTable::readQuoted(QByteArray *field, int recordLine)
{
    ++position;
    for (;;) {
        if (position == buffer.size() && !fill())
            return fault.isEmpty() ? fail(recordLine, QStringLiteral("a quoted field is not closed")) : false;
        const char *const data = buffer.constData();
        int end = position;
        while (end < buffer.size() && !endsQuotedRun(data[end]))
            ++end;
        if (!append(field, data + position, end - position, recordLine))
            return false;
        position = end;
        if (position == buffer.size())
            continue;
        const char c = buffer.constData()[position++];
        if (c == '"') {
            if (peek() != '"')
                return true;
            ++position;
            if (!append(field, "\"", 1, recordLine))
                return false;
            continue;
        }
        ++line;
        const bool crlf = c == '\r' && peek() == '\n';
        if (crlf)
            ++position;
        const char *lineBreak = crlf ? "\r\n" : c == '\r' ? "\r" : "\n";
        if (!append(field, lineBreak, int(qstrlen(lineBreak)), recordLine))
            return false;
    }
}

bool CsvTable::readPlain(QByteArray *field, int recordLine)
{
    for (;;) {
        if (position == buffer.size() && !fill())
            return fault.isEmpty();
        const char *const data = buffer.constData();
        int end = position;
        while (end < buffer.size() && !endsPlainField(data[end]))
            ++end;
        if (!append(field, data + position, end - position, recordLine))
            return false;
        const bool ended = end < buffer.size();
        position = end;
        if (ended)
            return true;
    }
}

bool CsvTable::append(QByteArray *field, const char *bytes, int count, int recordLine)
{
    if (qint64(field->size()) + count > longestRecord)
        return fail(recordLine, QStringLiteral("a field is longer than 64 MiB"));
    if (qint64(recordBytes) + field->size() + count > longestRecord)
        return fail(recordLine, QStringLiteral("a record is longer than 64 MiB"));
    field->append(bytes, count);
    return true;
}

bool CsvTable::fail(qint64 faultLine, const QString &what)
{
    if (fault.isEmpty())
        fault = QStringLiteral("line %1: %2").arg(faultLine).arg(what);
    return false;
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
    // Most fields are ASCII, which needs no decoder.
    if (std::all_of(bytes.cbegin(), bytes.cend(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        *text = QString::fromLatin1(bytes.constData(), bytes.size());
        return true;
    }
    QTextCodec::ConverterState state(QTextCodec::IgnoreHeader);
    *text = QTextCodec::codecForName("UTF-8")->toUnicode(bytes.constData(), bytes.size(), &state);
    return state.invalidChars == 0 && state.remainingChars == 0;
}
