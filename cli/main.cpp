#include "vaulttool/vaulttool.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(PM_VERSION));
    return VaultTool().run(QCoreApplication::arguments());
}
