#include "formats/entrymapping.h"

#include <QUrl>

bool EntryMapping::toEntry(const PeerEntry &peer, Entry *entry, QString *refusal)
{
    if (peer.title.isEmpty() && peer.userName.isEmpty() && peer.password.isEmpty() && peer.urls.isEmpty()) {
        *refusal = QStringLiteral("line %1: nothing to store").arg(peer.line);
        return false;
    }
    *entry = {peer.title, peer.userName, peer.password, peer.notes};
    return true;
}

QString EntryMapping::urlFor(const QString &domain)
{
    const QString https = QStringLiteral("https://");
    const QUrl url(https + domain, QUrl::StrictMode);
    const bool hostOnly = url.isValid() && !url.host().isEmpty() && url.port() == -1 && url.userInfo().isEmpty()
        && url.path().isEmpty() && !url.hasQuery() && !url.hasFragment();
    return hostOnly && url.host(QUrl::FullyEncoded) == QUrl::toAce(domain) ? https + domain : QString();
}
