#ifndef PM_BITWARDENCSVREADER_H
#define PM_BITWARDENCSVREADER_H

#include "formats/csventryreader.h"

// Bitwarden's CSV of logins and secure notes: an individual vault's columns
// from folder to login_totp, with or without reprompt, or an organisation's,
// which has collections in place of folder and favorite. Its custom fields
// come as `name: value` lines already; its login_uri holds every address of
// the login, separated by commas.
class BitwardenCsvReader : public CsvEntryReader
{
public:
    QString name() const override;
    int fit(const QStringList &header) const override;

protected:
    QString headerRule() const override;
    QStringList knownColumns() const override;
    PeerEntry peerOf(const Row &row) const override;

private:
    static QStringList common();
    static QStringList urlsOf(const QString &field);
};

#endif // PM_BITWARDENCSVREADER_H
