#ifndef PM_PRIVATEFILE_H
#define PM_PRIVATEFILE_H

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryFile>

// A file that only its owner can read. It is written under a temporary name
// of its own in its destination's folder, removed if the program is
// interrupted, and takes the destination's name only once it is complete, so
// nobody ever finds it half made. A file already there is kept unless it may
// be replaced, also where the file system can neither rename without
// replacing nor link. Each step's error names the destination.
class PrivateFile
{
public:
    PrivateFile(const QString &destination, bool replace);
    ~PrivateFile();

    // Notes on the way what is worth a warning.
    bool create(QString *error);
    QStringList warnings() const;
    QString destinationPath() const;
    QString temporaryPath() const;
    bool write(const QByteArray &bytes, QString *error);
    bool publish(QString *error);

private:
    bool takeName(QString *error);
    bool fail(const QString &reason, QString *error) const;
    void removeOnSignals(bool remove);

    const QString destination;
    const bool replace;
    QTemporaryFile temporary;
    QStringList notes;
};

#endif // PM_PRIVATEFILE_H
