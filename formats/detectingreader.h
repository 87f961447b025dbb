#ifndef PM_DETECTINGREADER_H
#define PM_DETECTINGREADER_H

#include "formats/entryreader.h"

#include <QByteArray>

// Reads a file in whichever format it is written. XML whose root element is
// KeePassFile is KeePass XML; anything else is CSV, and its header row names
// the format: the one that needs the most columns of those it names, so that
// no format is taken for one that needs only some of its columns. Where two
// formats need as many, it is refused, naming both.
class DetectingReader : public EntryReader
{
public:
    bool read(QIODevice *input, const Take &take, QStringList *refused, QStringList *warnings, QString *error) override;

    // Enough for an XML declaration, a comment or two and the root's tag.
    static constexpr int xmlStart = 4096;
    static bool isKeePassXml(const QByteArray &start);
};

#endif // PM_DETECTINGREADER_H
