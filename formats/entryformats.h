#ifndef PM_ENTRYFORMATS_H
#define PM_ENTRYFORMATS_H

#include "formats/csventryreader.h"
#include "formats/entryreader.h"
#include "formats/entrywriter.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

// Every format by the name --format gives it: those an import reads, those
// an export writes, and the readers of the CSV formats, which a header row
// tells apart.
class EntryFormats
{
public:
    static const QString automatic;
    static const QString keepassXml;

    // Without automatic, which picks one of these from the file itself.
    static QStringList readable();
    static QStringList writable();
    // Nothing where the name is none of them.
    static std::unique_ptr<EntryReader> reader(const QString &name);
    static std::unique_ptr<EntryWriter> writer(const QString &name);
    static std::vector<std::unique_ptr<CsvEntryReader>> csvReaders();
};

#endif // PM_ENTRYFORMATS_H
