#ifndef PM_FIREFOXCSVREADER_H
#define PM_FIREFOXCSVREADER_H

#include "formats/csventryreader.h"

// The logins Firefox exports from about:logins: nine columns, from url (the
// login's origin) to timePasswordChanged. There is no title and no note;
// the guid and the times are Firefox's own bookkeeping.
class FirefoxCsvReader : public CsvEntryReader
{
public:
    QString name() const override;

protected:
    QStringList knownColumns() const override;
    PeerEntry peerOf(const Row &row) const override;
};

#endif // PM_FIREFOXCSVREADER_H
