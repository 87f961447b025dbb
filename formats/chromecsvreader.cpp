// Chrome's CSV of passwords read into entries.

#include "formats/chromecsvreader.h"

QString ChromeCsvReader::name() const
{
    return QStringLiteral("chrome-csv");
}

int ChromeCsvReader::fit(const QStringList &header) const
{
    return countNamed(header, required());
}

QString ChromeCsvReader::headerRule() const
{
    return QStringLiteral("the columns %1").arg(required().join(QStringLiteral(", ")));
}

QStringList ChromeCsvReader::knownColumns() const
{
    return required() << QStringLiteral("note");
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

QStringList ChromeCsvReader::required()
{
    return {QStringLiteral("name"), QStringLiteral("url"), QStringLiteral("username"), QStringLiteral("password")};
}
