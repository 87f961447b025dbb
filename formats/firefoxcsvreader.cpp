// Firefox's CSV of logins read into entries.

#include "formats/firefoxcsvreader.h"

QString FirefoxCsvReader::name() const
{
    return QStringLiteral("firefox-csv");
}

QStringList FirefoxCsvReader::knownColumns() const
{
    return {"url",  "username",    "password",     "httpRealm",          "formActionOrigin",
            "guid", "timeCreated", "timeLastUsed", "timePasswordChanged"};
}

PeerEntry FirefoxCsvReader::peerOf(const Row &row) const
{
    PeerEntry peer;
    const QString url = row.value(QStringLiteral("url"));
    if (!url.isEmpty())
        peer.urls << url;
    peer.userName = row.value(QStringLiteral("username"));
    peer.password = row.value(QStringLiteral("password"));
    peer.fields << qMakePair(QStringLiteral("HTTP realm"), row.value(QStringLiteral("httpRealm")));
    const QString formAction = row.value(QStringLiteral("formActionOrigin"));
    if (formAction != url)
        peer.fields << qMakePair(QStringLiteral("Form action"), formAction);
    return peer;
}
