#ifndef PM_PRIVATEFILE_H
#define PM_PRIVATEFILE_H

#include <QByteArray>
#include <QString>
#include <QTemporaryFile>

// A file that only its owner can read. It is written under a temporary name
// beside its destination and takes the destination's name only once it is
// complete, so nobody ever finds it half made. A file already there is kept
// unless it may be replaced. Each step's error names the destination.
class PrivateFile
{
public:
    PrivateFile(const QString &destination, bool replace);

    bool create(QString *error);
    QString temporaryPath() const;
    bool write(const QByteArray &bytes, QString *error);
    bool publish(QString *error);

private:
    bool takeName(QString *error);
    bool fail(const QString &reason, QString *error) const;

    const QString destination;
    const bool replace;
    QTemporaryFile temporary;
};

#endif // PM_PRIVATEFILE_H
