#ifndef PM_ENTRYREADER_H
#define PM_ENTRYREADER_H

#include "formats/peerentry.h"

#include <QString>
#include <QStringList>

#include <functional>

class QIODevice;

// Reads one format's file, one record at a time, so that a file of any
// size costs no more memory than the entries it holds.
class EntryReader
{
public:
    using Take = std::function<void(const PeerEntry &entry)>;

    virtual ~EntryReader() = default;

    // Hands each record that holds an entry to take as it is read. A record
    // that cannot be one is named in refused, by its line, and the reading
    // goes on, so that one pass of editing fixes the file. A fault of the
    // file itself (an unclosed quote, XML that is not well-formed) ends the
    // reading: false, the error naming its line. Warnings say what an entry
    // loses on the way in.
    virtual bool read(QIODevice *input, const Take &take, QStringList *refused, QStringList *warnings, QString *error)
        = 0;
};

#endif // PM_ENTRYREADER_H
