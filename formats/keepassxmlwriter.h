#ifndef PM_KEEPASSXMLWRITER_H
#define PM_KEEPASSXMLWRITER_H

#include "formats/entrywriter.h"

#include <QXmlStreamWriter>

// KeePass 2 XML that `keepassxc-cli import` turns into a database: every
// entry in one group, in clear text, each value exactly as the vault holds
// it.
class KeePassXmlWriter : public EntryWriter
{
public:
    KeePassXmlWriter();

    QByteArray header() const override;
    bool write(const QString &id, const Entry &entry, QByteArray *out, QString *refusal) override;
    QByteArray footer() const override;
    QStringList warnings() const override;

private:
    void appendString(QByteArray *out, const char *keyAndValueTag, const QString &value);
    void appendText(QByteArray *out, const QString &value);
    // The first character of the text that does not fit, or -1.
    static int first(const QString &text, bool (*fits)(uint));
    // Control characters as U+FFFD, so that a message cannot steer the
    // terminal it is shown on.
    static QString shown(const QString &text);

    QStringList dropped;
    QString text;
    QXmlStreamWriter xml;
};

#endif // PM_KEEPASSXMLWRITER_H
