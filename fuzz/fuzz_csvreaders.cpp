// Any bytes, read as each CSV format reads a file, or as --format auto
// tells the format: the readers may refuse, but nothing else. Every entry,
// refusal and fault names a line the bytes have; and every entry an import
// would store comes back the same through the vault's own CSV.

#include "formats/entryformats.h"
#include "formats/entrymapping.h"
#include "formats/vaultcsvwriter.h"

#include <QBuffer>
#include <QByteArray>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QVector>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

// LF, CRLF and a lone CR each end a line.
int linesIn(const QByteArray &bytes)
{
    int lines = 1;
    for (int at = 0; at < bytes.size(); ++at) {
        if (bytes.at(at) == '\n' || (bytes.at(at) == '\r' && (at + 1 == bytes.size() || bytes.at(at + 1) != '\n')))
            ++lines;
    }
    return lines;
}

bool namesALineOf(const QString &message, int lines)
{
    static const QRegularExpression line(QStringLiteral("^line (\\d+): "));
    const QRegularExpressionMatch match = line.match(message);
    return match.hasMatch() && match.captured(1).toInt() >= 1 && match.captured(1).toInt() <= lines;
}

struct Import
{
    bool read = false;
    QVector<Entry> entries;
    QStringList refused;
    QString error;
};

Import importOf(const QString &format, QByteArray bytes)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    const int lines = linesIn(bytes);
    Import result;
    QStringList warnings;
    const auto take = [&](const PeerEntry &peer) {
        check(peer.line >= 1 && peer.line <= lines);
        Entry entry;
        QString refusal;
        if (EntryMapping::toEntry(peer, &entry, &refusal))
            result.entries << entry;
        else
            result.refused << refusal;
    };
    result.read = EntryFormats::reader(format)->read(&buffer, take, &result.refused, &warnings, &result.error);
    for (const QString &refusal : result.refused)
        check(namesALineOf(refusal, lines));
    check(result.read || namesALineOf(result.error, lines));
    return result;
}

} // namespace

// The first byte picks the format, the rest is the file.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    QStringList formats{EntryFormats::automatic};
    for (const auto &reader : EntryFormats::csvReaders())
        formats << reader->name();
    const QString format = formats.at(data[0] % formats.size());
    const Import taken = importOf(format, QByteArray(reinterpret_cast<const char *>(data + 1), int(size - 1)));

    VaultCsvWriter writer;
    QByteArray written = writer.header();
    QString refusal;
    for (const Entry &entry : taken.entries)
        check(writer.write(QString(), entry, &written, &refusal));
    const Import back = importOf(QStringLiteral("csv"), written);
    check(back.read && back.refused.isEmpty() && back.entries == taken.entries);
    return 0;
}
