// Entries written as KeePass 2 XML for keepassxc-cli import.

#include "formats/keepassxmlwriter.h"

#include "formats/entrymapping.h"

#include <algorithm>

namespace {
bool carriable(uint c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD)
        || (c >= 0x10000 && c <= 0x10FFFF);
}

// It strips the control characters that XML 1.0 discourages, all but NEL.
bool keptByKeePassXc(uint c)
{
    return c < 0x7F || c == 0x85 || c > 0x9F;
}

QString codePoint(int c)
{
    return QStringLiteral("U+") + QString::number(c, 16).toUpper().rightJustified(4, QLatin1Char('0'));
}

// The character at i, a lone surrogate as itself, and how many QChars it
// takes.
uint characterAt(const QString &text, int i, int *length)
{
    const QChar c = text.at(i);
    *length = c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate() ? 2 : 1;
    return *length == 2 ? QChar::surrogateToUcs4(c, text.at(i + 1)) : c.unicode();
}
}

KeePassXmlWriter::KeePassXmlWriter()
    : xml(&text)
{
}

QByteArray KeePassXmlWriter::header() const
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<KeePassFile>\n"
           "\t<Root>\n"
           "\t\t<Group>\n"
           "\t\t\t<Name>Password Manager</Name>\n";
}

bool KeePassXmlWriter::write(const QString &id, const Entry &entry, QByteArray *out, QString *refusal)
{
    const QPair<const char *, const QString *> values[]
        = {{"domain", &entry.domain}, {"login", &entry.login}, {"password", &entry.password}, {"note", &entry.note}};
    for (const auto &value : values) {
        const int c = first(*value.second, carriable);
        if (c != -1) {
            *refusal = QStringLiteral("entry %1 (%2): the %3 holds %4, which XML 1.0 cannot carry")
                           .arg(id, shown(entry.domain), QLatin1String(value.first), codePoint(c));
            return false;
        }
    }
    for (const auto &value : values) {
        const int c = first(*value.second, keptByKeePassXc);
        if (c != -1) {
            dropped << QStringLiteral("entry %1 (%2): KeePassXC drops %3 from the %4 as it imports it")
                           .arg(id, shown(entry.domain), codePoint(c), QLatin1String(value.first));
            break;
        }
    }
    out->append("\t\t\t<Entry>");
    appendString(out, "<Key>Title</Key><Value>", entry.domain);
    appendString(out, "<Key>UserName</Key><Value>", entry.login);
    appendString(out, "<Key>Password</Key><Value ProtectInMemory=\"True\">", entry.password);
    appendString(out, "<Key>Notes</Key><Value>", entry.note);
    const QString url = EntryMapping::urlFor(entry.domain);
    if (!url.isEmpty())
        appendString(out, "<Key>URL</Key><Value>", url);
    out->append("</Entry>\n");
    return true;
}

QByteArray KeePassXmlWriter::footer() const
{
    return "\t\t</Group>\n"
           "\t</Root>\n"
           "</KeePassFile>\n";
}

void KeePassXmlWriter::appendString(QByteArray *out, const char *keyAndValueTag, const QString &value)
{
    out->append("<String>");
    out->append(keyAndValueTag);
    appendText(out, value);
    out->append("</Value></String>");
}

// The markup around the values is always the same bytes, and most values
// hold nothing to escape (a quote needs it only in an attribute): those go
// out as they are, and only the others through the writer. The writer would put a CR in as it is, and any
// reader takes that for an LF; as a reference it stays a CR.
void KeePassXmlWriter::appendText(QByteArray *out, const QString &value)
{
    const auto escaped = [](QChar c) {
        return c == QLatin1Char('<') || c == QLatin1Char('>') || c == QLatin1Char('&') || c == QLatin1Char('\r');
    };
    if (std::none_of(value.begin(), value.end(), escaped)) {
        out->append(value.toUtf8());
        return;
    }
    int start = 0;
    for (int cr = value.indexOf(QLatin1Char('\r')); cr != -1; cr = value.indexOf(QLatin1Char('\r'), start)) {
        xml.writeCharacters(value.mid(start, cr - start));
        xml.writeEntityReference(QStringLiteral("#13"));
        start = cr + 1;
    }
    xml.writeCharacters(value.mid(start));
    out->append(text.toUtf8());
    text.clear();
}

// Printable ASCII, most of any text, fits everywhere.
int KeePassXmlWriter::first(const QString &text, bool (*fits)(uint))
{
    for (int i = 0, length = 1; i < text.size(); i += length) {
        length = 1;
        if (text.at(i).unicode() - 0x20u < 0x5Fu)
            continue;
        const uint c = characterAt(text, i, &length);
        if (!fits(c))
            return static_cast<int>(c);
    }
    return -1;
}

QStringList KeePassXmlWriter::warnings() const
{
    return dropped;
}

QString KeePassXmlWriter::shown(const QString &text)
{
    QString shown;
    for (int i = 0, length = 1; i < text.size(); i += length) {
        const uint c = characterAt(text, i, &length);
        shown += carriable(c) && keptByKeePassXc(c) ? text.mid(i, length) : QString(QChar::ReplacementCharacter);
    }
    return shown;
}
