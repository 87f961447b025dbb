// KeePass XML comes from files anyone may hand over. Whatever the bytes, the
// reader must not fail, and every entry it takes must start on a line of
// the input. Entries built from the same bytes must come back from the
// writer through the reader with the very same values, or be refused.

#include "formats/entrymapping.h"
#include "formats/keepassxmlreader.h"
#include "formats/keepassxmlwriter.h"

#include <QBuffer>
#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

QVector<PeerEntry> readAll(QByteArray xml, bool *ok)
{
    QBuffer file(&xml);
    file.open(QIODevice::ReadOnly);
    QVector<PeerEntry> entries;
    QStringList refused, warnings;
    QString error;
    *ok = KeePassXmlReader().read(
        &file, [&](const PeerEntry &entry) { entries << entry; }, &refused, &warnings, &error);
    return entries;
}

// LF, CRLF and a lone CR each end a line.
int linesOf(const QByteArray &bytes)
{
    return 1 + bytes.count('\n') + bytes.count('\r') - bytes.count("\r\n");
}

// The bytes cut at NUL bytes into the four texts of an entry.
void checkWrittenReadsBack(const QByteArray &bytes)
{
    const QList<QByteArray> parts = bytes.split('\0');
    const Entry entry{QString::fromUtf8(parts.value(0)), QString::fromUtf8(parts.value(1)),
                      QString::fromUtf8(parts.value(2)), QString::fromUtf8(parts.value(3))};
    KeePassXmlWriter writer;
    QByteArray xml = writer.header();
    QString refusal;
    if (!writer.write(QStringLiteral("1"), entry, &xml, &refusal))
        return;
    bool ok = false;
    const QVector<PeerEntry> read = readAll(xml + writer.footer(), &ok);
    check(ok && read.size() == 1);
    const PeerEntry &peer = read.first();
    check(peer.title == entry.domain && peer.userName == entry.login && peer.password == entry.password
          && peer.notes == entry.note);
    const QString url = EntryMapping::urlFor(entry.domain);
    check(peer.urls == (url.isEmpty() ? QStringList() : QStringList{url}));
    check(peer.totp.isEmpty() && peer.fields.isEmpty() && peer.place.isEmpty());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<int>(size));
    bool ok = false;
    for (const PeerEntry &entry : readAll(bytes, &ok))
        check(entry.line >= 1 && entry.line <= linesOf(bytes));
    checkWrittenReadsBack(bytes);
    return 0;
}
