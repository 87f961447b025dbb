// keepassxc-cli's CSV read into entries.

#include "formats/keepassxccsvreader.h"

QString KeePassXcCsvReader::name() const
{
    return QStringLiteral("keepassxc-csv");
}

QStringList KeePassXcCsvReader::knownColumns() const
{
    return requiredColumns()
        + QStringList{QStringLiteral("TOTP"), QStringLiteral("Icon"), QStringLiteral("Last Modified"),
                      QStringLiteral("Created")};
}

PeerEntry KeePassXcCsvReader::peerOf(const Row &row) const
{
    PeerEntry peer;
    const QString group = row.value(QStringLiteral("Group"));
    const int belowRoot = group.indexOf(QLatin1Char('/'));
    peer.placeLabel = QStringLiteral("Group");
    peer.place = belowRoot < 0 ? QString() : group.mid(belowRoot + 1);
    peer.title = row.value(QStringLiteral("Title"));
    peer.userName = row.value(QStringLiteral("Username"));
    peer.password = row.value(QStringLiteral("Password"));
    const QString url = row.value(QStringLiteral("URL"));
    if (!url.isEmpty())
        peer.urls << url;
    peer.notes = row.value(QStringLiteral("Notes"));
    peer.totp = row.value(QStringLiteral("TOTP"));
    return peer;
}

QStringList KeePassXcCsvReader::requiredColumns() const
{
    return {QStringLiteral("Group"),    QStringLiteral("Title"), QStringLiteral("Username"),
            QStringLiteral("Password"), QStringLiteral("URL"),   QStringLiteral("Notes")};
}
