#ifndef PM_VAULTCSVREADER_H
#define PM_VAULTCSVREADER_H

#include "formats/csventryreader.h"

// The vault's own CSV, as VaultCsvWriter writes it: exactly the columns
// domain, login, password and note, in any order, each taken as it is.
class VaultCsvReader : public CsvEntryReader
{
public:
    static QStringList columns();

    QString name() const override;
    int fit(const QStringList &header) const override;

protected:
    QString headerRule() const override;
    QStringList knownColumns() const override;
    PeerEntry peerOf(const Row &row) const override;
};

#endif // PM_VAULTCSVREADER_H
