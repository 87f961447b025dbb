#ifndef PM_EXFATSTICK_H
#define PM_EXFATSTICK_H

#include <QDir>
#include <QProcess>
#include <QString>
#include <QStringList>

// An exFAT file system in an image file, mounted through FUSE on a loop
// device as a USB stick is: it renames only by replacing, makes no hard link
// and keeps no file mode. It needs root, exfatprogs and exfat-fuse; where
// it cannot be mounted, the failure says why.
class ExfatStick
{
public:
    explicit ExfatStick(const QString &mountPoint)
        : mountPoint(mountPoint)
    {
        const QString image = mountPoint + QStringLiteral(".img");
        QFile file(image);
        mounted = QDir().mkpath(mountPoint) && file.open(QIODevice::WriteOnly) && file.resize(8 << 20)
            && run("mkfs.exfat", {image}) && run("losetup", {"--find", "--show", image}, &loopDevice)
            && run("mount.exfat-fuse", {loopDevice, mountPoint});
    }

    ~ExfatStick()
    {
        if (mounted)
            run("umount", {mountPoint});
        if (!loopDevice.isEmpty())
            run("losetup", {"--detach", loopDevice});
    }

    ExfatStick(const ExfatStick &) = delete;
    ExfatStick &operator=(const ExfatStick &) = delete;

    bool mounted = false;
    QString failure = QStringLiteral("cannot make the image");

private:
    bool run(const QString &program, const QStringList &arguments, QString *output = nullptr)
    {
        QProcess process;
        process.start(program, arguments);
        const bool done
            = process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
        if (output)
            *output = QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
        if (!done)
            failure = program + ": "
                + (process.error() == QProcess::FailedToStart ? process.errorString() : process.readAllStandardError());
        return done;
    }

    const QString mountPoint;
    QString loopDevice;
};

#endif // PM_EXFATSTICK_H
