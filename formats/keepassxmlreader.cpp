// KeePass 2 XML read into entries, groups and Recycle Bin included.

#include "formats/keepassxmlreader.h"

#include <QXmlStreamReader>

namespace {

// Passes the bytes on while they are UTF-8, and stops at the first that is
// not, noting its line: Qt decodes a file in blocks, and would name the line
// where the block began.
class Utf8Gate : public QIODevice
{
public:
    explicit Utf8Gate(QIODevice *source)
        : source(source)
    {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }

    bool isSequential() const override { return true; }

    // Where the text stopped being UTF-8, or 0.
    int faultLine = 0;

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        if (faultLine)
            return 0;
        const qint64 size = source->read(data, maxSize);
        for (qint64 i = 0; i < size; ++i) {
            if (!step(static_cast<uchar>(data[i]))) {
                faultLine = line;
                return i;
            }
        }
        // Qt asks for nothing at times; nothing where something was asked
        // for is the end.
        if (size <= 0 && maxSize > 0 && pending)
            faultLine = line;
        return size;
    }

    qint64 writeData(const char *, qint64) override { return -1; }

private:
    bool step(uchar byte)
    {
        if (!fits(byte))
            return false;
        line += byte == '\r' || (byte == '\n' && !afterCr);
        afterCr = byte == '\r';
        return true;
    }

    bool fits(uchar byte)
    {
        if (pending) {
            const bool fits = byte >= low && byte <= high;
            --pending;
            low = 0x80;
            high = 0xBF;
            return fits;
        }
        if (byte >= 0xC2 && byte <= 0xDF) {
            pending = 1;
        } else if (byte >= 0xE0 && byte <= 0xEF) {
            // Neither overlong forms nor surrogates.
            pending = 2;
            low = byte == 0xE0 ? 0xA0 : 0x80;
            high = byte == 0xED ? 0x9F : 0xBF;
        } else if (byte >= 0xF0 && byte <= 0xF4) {
            pending = 3;
            low = byte == 0xF0 ? 0x90 : 0x80;
            high = byte == 0xF4 ? 0x8F : 0xBF;
        }
        return byte < 0x80 || pending;
    }

    QIODevice *source;
    int line = 1;
    bool afterCr = false;
    int pending = 0;
    uchar low = 0x80;
    uchar high = 0xBF;
};

// One reading of one file. KeePass writes Meta before Root, and a group's
// UUID and Name before its entries and subgroups; the file is read in one
// pass on that order, so that nothing but the open groups is held.
class Parser
{
public:
    Parser(QIODevice *input, const EntryReader::Take &take, QStringList *refused, QStringList *warnings)
        : gate(input)
        , xml(&gate)
        , take(take)
        , refused(refused)
        , warnings(warnings)
    {
    }

    bool read(QString *error)
    {
        const bool declared = xml.readNext() == QXmlStreamReader::StartDocument;
        const QStringRef encoding = xml.documentEncoding();
        if (declared && !encoding.isEmpty() && encoding.compare(QLatin1String("UTF-8"), Qt::CaseInsensitive) != 0) {
            xml.raiseError(QStringLiteral("the file declares %1; KeePass XML is UTF-8").arg(encoding));
        } else if (nextChild() && xml.name() == QLatin1String("KeePassFile")) {
            while (nextChild()) {
                if (xml.name() == QLatin1String("Meta"))
                    readMeta();
                else if (xml.name() == QLatin1String("Root"))
                    readRoot();
                else
                    xml.skipCurrentElement();
            }
        } else if (!xml.hasError()) {
            xml.raiseError(QStringLiteral("the root element is %1, not KeePassFile").arg(xml.name()));
        }
        // Whatever follows the root element must be well-formed too.
        while (!xml.atEnd())
            xml.readNext();
        // A fault in the text before the bytes stopped is met first.
        if (gate.faultLine && (!xml.hasError() || xml.error() == QXmlStreamReader::PrematureEndOfDocumentError))
            *error = QStringLiteral("line %1: the text is not UTF-8").arg(gate.faultLine);
        else if (xml.hasError())
            *error = QStringLiteral("line %1: %2").arg(xml.lineNumber()).arg(xml.errorString());
        else
            return true;
        return false;
    }

private:
    // The next element within the current one, false at its end or at a
    // fault; startLine is then where that element's tag begins.
    bool nextChild()
    {
        for (;;) {
            startLine = static_cast<int>(xml.lineNumber());
            switch (xml.readNext()) {
            case QXmlStreamReader::StartElement:
                return true;
            case QXmlStreamReader::EndElement:
            case QXmlStreamReader::Invalid:
            case QXmlStreamReader::EndDocument:
                return false;
            default:
                break;
            }
        }
    }

    void readMeta()
    {
        while (nextChild()) {
            if (xml.name() == QLatin1String("RecycleBinUUID"))
                recycleBin = xml.readElementText();
            else
                xml.skipCurrentElement();
        }
    }

    // Groups nest without limit, so they are kept on a stack of their own
    // rather than on the program's.
    void readRoot()
    {
        QStringList open; // the path below the root of each group the reading is in
        for (;;) {
            if (!nextChild()) {
                if (open.isEmpty() || xml.hasError())
                    return;
                open.removeLast();
            } else if (xml.name() == QLatin1String("Group")) {
                open.append(open.isEmpty() ? QString() : open.last());
            } else if (open.isEmpty()) {
                xml.skipCurrentElement();
            } else if (xml.name() == QLatin1String("UUID")) {
                if (xml.readElementText() == recycleBin && !recycleBin.isEmpty()) {
                    xml.skipCurrentElement();
                    open.removeLast();
                }
            } else if (xml.name() == QLatin1String("Name")) {
                const QString name = xml.readElementText();
                if (open.size() > 1) {
                    const QString &parent = open.at(open.size() - 2);
                    open.last() = parent.isEmpty() ? name : parent + QLatin1Char('/') + name;
                }
            } else if (xml.name() == QLatin1String("Entry")) {
                readEntry(open.last());
            } else {
                xml.skipCurrentElement();
            }
        }
    }

    void readEntry(const QString &place)
    {
        PeerEntry entry;
        entry.line = startLine;
        entry.placeLabel = QStringLiteral("Group");
        entry.place = place;
        QStringList protectedKeys;
        QStringList attachments;
        while (nextChild()) {
            if (xml.name() == QLatin1String("String")) {
                readString(&entry, &protectedKeys);
            } else if (xml.name() == QLatin1String("Binary")) {
                attachments << readKeyValue(nullptr).first;
            } else if (xml.name() == QLatin1String("Tags")) {
                const QString tags = xml.readElementText();
                if (!tags.isEmpty())
                    entry.fields.append({QStringLiteral("Tags"), tags});
            } else {
                xml.skipCurrentElement();
            }
        }
        if (xml.hasError())
            return;
        if (!protectedKeys.isEmpty()) {
            *refused << QStringLiteral("line %1: the %2 is encrypted under its database's key (Protected=\"True\"); "
                                       "export the database as XML from KeePassXC or KeePass instead")
                            .arg(entry.line)
                            .arg(protectedKeys.first());
            return;
        }
        if (!attachments.isEmpty())
            *warnings << QStringLiteral("line %1: the entry \"%2\" comes in without its attachments: %3")
                             .arg(entry.line)
                             .arg(entry.title, attachments.join(QStringLiteral(", ")));
        take(entry);
    }

    void readString(PeerEntry *entry, QStringList *protectedKeys)
    {
        bool isProtected = false;
        const QPair<QString, QString> string = readKeyValue(&isProtected);
        const QString &key = string.first;
        if (isProtected)
            *protectedKeys << key;
        if (key == QLatin1String("Title"))
            entry->title = string.second;
        else if (key == QLatin1String("UserName"))
            entry->userName = string.second;
        else if (key == QLatin1String("Password"))
            entry->password = string.second;
        else if (key == QLatin1String("Notes"))
            entry->notes = string.second;
        else if (key == QLatin1String("URL"))
            entry->urls = string.second.isEmpty() ? QStringList() : QStringList{string.second};
        else if (key == QLatin1String("otp"))
            entry->totp = string.second;
        else
            entry->fields.append(string);
    }

    QPair<QString, QString> readKeyValue(bool *isProtected)
    {
        QPair<QString, QString> pair;
        while (nextChild()) {
            if (xml.name() == QLatin1String("Key")) {
                pair.first = xml.readElementText();
            } else if (xml.name() == QLatin1String("Value")) {
                if (isProtected)
                    *isProtected = xml.attributes().value(QLatin1String("Protected")) == QLatin1String("True");
                pair.second = xml.readElementText();
            } else {
                xml.skipCurrentElement();
            }
        }
        return pair;
    }

    Utf8Gate gate;
    QXmlStreamReader xml;
    const EntryReader::Take &take;
    QStringList *refused;
    QStringList *warnings;
    QString recycleBin;
    int startLine = 1;
};

}

bool KeePassXmlReader::read(QIODevice *input, const Take &take, QStringList *refused, QStringList *warnings,
                            QString *error)
{
    return Parser(input, take, refused, warnings).read(error);
}
