#ifndef PM_KEEPASSXMLREADER_H
#define PM_KEEPASSXMLREADER_H

#include "formats/entryreader.h"

// KeePass 2 XML, as KeePassXC and KeePass export a database in clear text:
// every entry of every group but the Recycle Bin's, taken as the file is
// read. History, times, icons and the like stay behind.
class KeePassXmlReader : public EntryReader
{
public:
    bool read(QIODevice *input, const Take &take, QStringList *refused, QStringList *warnings, QString *error) override;
};

#endif // PM_KEEPASSXMLREADER_H
