// Another manager's entry turned into one of ours: its domain and its note.

#include "formats/entrymapping.h"

#include "formats/punycode.h"

#include <QUrl>

namespace {
const QString https = QStringLiteral("https://");

bool isLetter(QChar c)
{
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'));
}

// ^[A-Za-z][A-Za-z0-9+.-]*://
bool hasScheme(const QString &url)
{
    int at = 0;
    while (
        at < url.size()
        && (isLetter(url.at(at)) || (at > 0 && (url.at(at).isDigit() || QStringLiteral("+.-").contains(url.at(at))))))
        ++at;
    return at > 0 && url.midRef(at, 3) == QLatin1String("://");
}

// Lower-cased, every label in Unicode: Qt decodes only the labels under the
// top-level domains it trusts.
QString unicodeHost(const QString &ace)
{
    QStringList labels = ace.toLower().split(QLatin1Char('.'));
    for (QString &label : labels) {
        QString decoded;
        QString error;
        if (label.startsWith(QLatin1String("xn--")) && Punycode::decode(label.mid(4), &decoded, &error)
            && !decoded.isEmpty())
            label = decoded.toLower();
    }
    return labels.join(QLatin1Char('.'));
}
}

bool EntryMapping::toEntry(const PeerEntry &peer, Entry *entry, QString *refusal)
{
    QString host;
    for (int at = 0; at < peer.urls.size() && host.isEmpty(); ++at)
        host = hostOf(peer.urls.at(at));
    const QByteArray hostAce = QUrl::toAce(host);
    const QString domain = host.isEmpty() || sameHost(peer.title, hostAce) ? peer.title : host;
    QStringList lines;
    if (!peer.title.isEmpty() && peer.title != domain)
        lines << QStringLiteral("Title: ") + peer.title;
    for (const QString &url : peer.urls) {
        if (!saysOnlyHost(url, hostAce))
            lines << QStringLiteral("URL: ") + url;
    }
    const QVector<QPair<QString, QString>> labelled
        = QVector<QPair<QString, QString>>{{peer.placeLabel, peer.place},
                                           {QStringLiteral("Collections"), peer.collections},
                                           {QStringLiteral("TOTP"), peer.totp}}
        + peer.fields;
    for (const auto &value : labelled) {
        if (!value.second.isEmpty())
            lines << (value.first.isEmpty() ? value.second : value.first + QStringLiteral(": ") + value.second);
    }
    *entry = {domain, peer.userName, peer.password, noteOf(peer.notes, lines)};
    QString fault;
    if (entry->domain.isEmpty() && entry->login.isEmpty() && entry->password.isEmpty() && entry->note.isEmpty())
        fault = QStringLiteral("nothing to store");
    else if (entry->domain.contains(QChar(0)))
        fault = QStringLiteral("the domain holds a zero byte");
    else if (entry->login.contains(QChar(0)))
        fault = QStringLiteral("the login holds a zero byte");
    if (fault.isEmpty())
        return true;
    *refusal = QStringLiteral("line %1: %2").arg(peer.line).arg(fault);
    return false;
}

QString EntryMapping::urlFor(const QString &domain)
{
    const QUrl url(https + domain, QUrl::StrictMode);
    const bool hostOnly = url.isValid() && !url.host().isEmpty() && url.port() == -1 && url.userInfo().isEmpty()
        && url.path().isEmpty() && !url.hasQuery() && !url.hasFragment();
    return hostOnly && url.host(QUrl::FullyEncoded) == QUrl::toAce(domain) ? https + domain : QString();
}

// Without a scheme an address is read as https; a command line for KeePass
// to run (cmd://) names no host, whatever it looks like.
QString EntryMapping::hostOf(const QString &url)
{
    const QUrl parsed(hasScheme(url) ? url : https + url);
    if (!parsed.isValid() || parsed.scheme() == QLatin1String("cmd"))
        return QString();
    return unicodeHost(parsed.host(QUrl::FullyEncoded));
}

// Ignoring case and whether a label is written in Unicode or in ASCII.
bool EntryMapping::sameHost(const QString &name, const QByteArray &hostAce)
{
    return !hostAce.isEmpty() && QUrl::toAce(name) == hostAce;
}

// https:// or no scheme, the host and at most a slash: the domain says it all.
bool EntryMapping::saysOnlyHost(const QString &url, const QByteArray &hostAce)
{
    const bool schemed = hasScheme(url);
    if (schemed && !url.startsWith(https, Qt::CaseInsensitive))
        return false;
    QString rest = schemed ? url.mid(https.size()) : url;
    if (rest.endsWith(QLatin1Char('/')))
        rest.chop(1);
    return sameHost(rest, hostAce);
}

// One line break between notes that end in one and the lines, two otherwise.
QString EntryMapping::noteOf(const QString &notes, const QStringList &lines)
{
    if (lines.isEmpty())
        return notes;
    const QString block = lines.join(QLatin1Char('\n'));
    if (notes.isEmpty())
        return block;
    const bool endsInBreak = notes.endsWith(QLatin1Char('\n')) || notes.endsWith(QLatin1Char('\r'));
    return notes + (endsInBreak ? QStringLiteral("\n") : QStringLiteral("\n\n")) + block;
}
