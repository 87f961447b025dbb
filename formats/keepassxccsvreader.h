#ifndef PM_KEEPASSXCCSVREADER_H
#define PM_KEEPASSXCCSVREADER_H

#include "formats/csventryreader.h"

// What `keepassxc-cli export -f csv` writes: ten columns from Group to
// Created, or the first six of them as older versions wrote. The group is
// the path from the root group down; the root's own name is left out.
class KeePassXcCsvReader : public CsvEntryReader
{
public:
    QString name() const override;

protected:
    QStringList knownColumns() const override;
    QStringList requiredColumns() const override;
    PeerEntry peerOf(const Row &row) const override;
};

#endif // PM_KEEPASSXCCSVREADER_H
