// The format of a file to import, told by its root element or its header row.

#include "formats/detectingreader.h"

#include "formats/csvtable.h"
#include "formats/entryformats.h"

#include <QIODevice>
#include <QXmlStreamReader>

bool DetectingReader::read(QIODevice *input, const Take &take, QStringList *refused, QStringList *warnings,
                           QString *error)
{
    if (isKeePassXml(input->peek(xmlStart)))
        return EntryFormats::reader(EntryFormats::keepassXml)->read(input, take, refused, warnings, error);
    CsvTable table(input);
    CsvTable::Record header;
    if (!table.next(&header, error))
        return false;
    std::vector<std::unique_ptr<CsvEntryReader>> readers = EntryFormats::csvReaders();
    std::stable_sort(readers.begin(), readers.end(), [&header](const auto &one, const auto &other) {
        return one->fit(header.fields) > other->fit(header.fields);
    });
    QStringList names;
    for (const auto &reader : readers)
        names << reader->name();
    if (readers.front()->fit(header.fields) < 0) {
        *error = QStringLiteral("line %1: the file is not KeePass XML, and its header row fits none of the formats %2")
                     .arg(header.line)
                     .arg(names.join(QStringLiteral(", ")));
        return false;
    }
    if (readers.at(1)->fit(header.fields) == readers.front()->fit(header.fields)) {
        *error = QStringLiteral("line %1: the header row fits both %2 and %3; choose one with --format")
                     .arg(header.line)
                     .arg(names.at(0), names.at(1));
        return false;
    }
    return readers.front()->readRecords(&table, header.fields, take, refused, error);
}

bool DetectingReader::isKeePassXml(const QByteArray &start)
{
    QXmlStreamReader xml(start);
    while (!xml.atEnd() && xml.readNext() != QXmlStreamReader::StartElement) { }
    return xml.isStartElement() && xml.name() == QLatin1String("KeePassFile");
}
