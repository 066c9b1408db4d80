#include "ui/ShippedFiles.h"

#include <QDir>
#include <QFileInfo>

namespace ui {

QString shippedFile(const QString& executableDir, const QString& name, Shipped kind) {
    const QDir here(executableDir);
    const QString installed = kind == Shipped::Helper ? QStringLiteral("../libexec/tavelo/")
                                                      : QStringLiteral("../share/tavelo/");
    for (const QString& candidate : {here.filePath(name), here.filePath(installed + name)}) {
        const QFileInfo info(candidate);
        if (info.isFile())
            return QDir::cleanPath(info.absoluteFilePath());
    }
    return {};
}

}  // namespace ui
