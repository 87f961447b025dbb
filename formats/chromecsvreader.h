#ifndef PM_CHROMECSVREADER_H
#define PM_CHROMECSVREADER_H

#include "formats/csventryreader.h"

// The passwords Chrome, Chromium and Edge export: name, url, username,
// password and, since Chrome keeps notes, note.
class ChromeCsvReader : public CsvEntryReader
{
public:
    QString name() const override;

protected:
    QStringList knownColumns() const override;
    QStringList requiredColumns() const override;
    PeerEntry peerOf(const Row &row) const override;
};

#endif // PM_CHROMECSVREADER_H
