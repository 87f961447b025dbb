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
    int fit(const QStringList &header) const override;

protected:
    QString headerRule() const override;
    QStringList knownColumns() const override;
    PeerEntry peerOf(const Row &row) const override;

private:
    static QStringList required();
};

#endif // PM_KEEPASSXCCSVREADER_H
