#ifndef PM_CHROMECSVWRITER_H
#define PM_CHROMECSVWRITER_H

#include "formats/entrywriter.h"

// Entries as Chrome imports them: name, url, username, password and note,
// the url's host in ASCII form, since Chrome refuses any other. Every entry
// is written; those Chrome will refuse, and a file longer than Chrome takes
// at once, are named in the warnings.
class ChromeCsvWriter : public EntryWriter
{
public:
    // What Chrome takes in one import, and in a value.
    static constexpr int mostRows = 3000;
    static constexpr int longestValue = 1000;

    QByteArray header() const override;
    bool write(const QString &id, const Entry &entry, QByteArray *out, QString *refusal) override;
    QByteArray footer() const override;
    QStringList warnings() const override;

private:
    int rows = 0;
    QStringList refusedByChrome;
};

#endif // PM_CHROMECSVWRITER_H
