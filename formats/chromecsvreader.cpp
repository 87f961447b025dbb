// Chrome's CSV of passwords read into entries.

#include "formats/chromecsvreader.h"

QString ChromeCsvReader::name() const
{
    return QStringLiteral("chrome-csv");
}

QStringList ChromeCsvReader::knownColumns() const
{
    return requiredColumns() << QStringLiteral("note");
}

PeerEntry ChromeCsvReader::peerOf(const Row &row) const
{
    PeerEntry peer;
    peer.title = row.value(QStringLiteral("name"));
    const QString url = row.value(QStringLiteral("url"));
    if (!url.isEmpty())
        peer.urls << url;
    peer.userName = row.value(QStringLiteral("username"));
    peer.password = row.value(QStringLiteral("password"));
    peer.notes = row.value(QStringLiteral("note"));
    return peer;
}

QStringList ChromeCsvReader::requiredColumns() const
{
    return {QStringLiteral("name"), QStringLiteral("url"), QStringLiteral("username"), QStringLiteral("password")};
}
