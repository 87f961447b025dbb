// Bitwarden's CSV read into entries.

#include "formats/bitwardencsvreader.h"

#include <QBuffer>

QString BitwardenCsvReader::name() const
{
    return QStringLiteral("bitwarden-csv");
}

int BitwardenCsvReader::fit(const QStringList &header) const
{
    const int individual = countNamed(header, common() + QStringList{"folder", "favorite"});
    return individual >= 0 ? individual : countNamed(header, common() + QStringList{"collections"});
}

QString BitwardenCsvReader::headerRule() const
{
    return QStringLiteral("the columns %1, and folder and favorite or else collections")
        .arg(common().join(QStringLiteral(", ")));
}

QStringList BitwardenCsvReader::knownColumns() const
{
    return common() + QStringList{"folder", "favorite", "collections", "reprompt"};
}

PeerEntry BitwardenCsvReader::peerOf(const Row &row) const
{
    PeerEntry peer;
    peer.placeLabel = QStringLiteral("Folder");
    peer.place = row.value(QStringLiteral("folder"));
    peer.title = row.value(QStringLiteral("name"));
    peer.notes = row.value(QStringLiteral("notes"));
    // Lines of `name: value` already, to be kept as they are.
    const QString fields = row.value(QStringLiteral("fields"));
    if (!fields.isEmpty())
        peer.fields << qMakePair(QString(), fields);
    peer.urls = urlsOf(row.value(QStringLiteral("login_uri")));
    peer.userName = row.value(QStringLiteral("login_username"));
    peer.password = row.value(QStringLiteral("login_password"));
    peer.totp = row.value(QStringLiteral("login_totp"));
    peer.collections = row.value(QStringLiteral("collections"));
    return peer;
}

QStringList BitwardenCsvReader::common()
{
    return {"type", "name", "notes", "fields", "login_uri", "login_username", "login_password", "login_totp"};
}

// Bitwarden reads the field as a CSV record of its own; one that is not
// valid CSV is kept whole. Without quotes or line breaks, the commas are
// all there is to it.
QStringList BitwardenCsvReader::urlsOf(const QString &field)
{
    if (!field.contains(QLatin1Char('"')) && !field.contains(QLatin1Char('\n')) && !field.contains(QLatin1Char('\r')))
        return field.split(QLatin1Char(','), Qt::SkipEmptyParts);
    QByteArray bytes = field.toUtf8();
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    CsvTable table(&buffer);
    QStringList urls;
    CsvTable::Record record;
    QString error;
    while (table.next(&record, &error) && !record.fields.isEmpty())
        urls += record.fields;
    if (!error.isEmpty())
        return {field};
    urls.removeAll(QString());
    return urls;
}
