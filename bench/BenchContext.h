#pragma once

#include <QDir>
#include <QString>

namespace bench {

// The folder holding the benchmark books for this run.
QString booksDir();
inline QString bookPath(const QString& file) {
    return QDir(booksDir()).filePath(file);
}

}  // namespace bench
