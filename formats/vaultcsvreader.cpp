// The vault's own CSV read into entries.

#include "formats/vaultcsvreader.h"

QStringList VaultCsvReader::columns()
{
    return {QStringLiteral("domain"), QStringLiteral("login"), QStringLiteral("password"), QStringLiteral("note")};
}

QString VaultCsvReader::name() const
{
    return QStringLiteral("csv");
}

int VaultCsvReader::fit(const QStringList &header) const
{
    return header.size() == columns().size() ? countNamed(header, columns()) : -1;
}

QString VaultCsvReader::headerRule() const
{
    return QStringLiteral("the columns %1 and no other").arg(columns().join(QStringLiteral(", ")));
}

QStringList VaultCsvReader::knownColumns() const
{
    return columns();
}

// With no address, the title is the domain as it is written.
PeerEntry VaultCsvReader::peerOf(const Row &row) const
{
    PeerEntry peer;
    peer.title = row.value(QStringLiteral("domain"));
    peer.userName = row.value(QStringLiteral("login"));
    peer.password = row.value(QStringLiteral("password"));
    peer.notes = row.value(QStringLiteral("note"));
    return peer;
}
