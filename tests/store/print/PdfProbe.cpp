#include "PdfProbe.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace pdfprobe {

namespace {

QByteArray run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        qFatal("%s failed: %s", qPrintable(program), p.readAllStandardError().constData());
    return p.readAllStandardOutput();
}

}  // namespace

QString text(const QString& pdf, int page) {
    QStringList args{QStringLiteral("-layout"), QStringLiteral("-enc"), QStringLiteral("UTF-8")};
    if (page > 0)
        args << QStringLiteral("-f") << QString::number(page) << QStringLiteral("-l")
             << QString::number(page);
    args << pdf << QStringLiteral("-");
    return QString::fromUtf8(run(QStringLiteral("pdftotext"), args))
        .normalized(QString::NormalizationForm_KC);
}

QString info(const QString& pdf, const QString& key) {
    const QString out = QString::fromUtf8(run(QStringLiteral("pdfinfo"), {pdf}));
    const auto m = QRegularExpression(QStringLiteral("^%1:\\s*(.*)$").arg(key),
                                      QRegularExpression::MultilineOption)
                       .match(out);
    return m.hasMatch() ? m.captured(1).trimmed() : QString();
}

int pageCount(const QString& pdf) {
    return info(pdf, QStringLiteral("Pages")).toInt();
}

QSizeF pageSize(const QString& pdf) {
    const auto m = QRegularExpression(QStringLiteral("([\\d.]+) x ([\\d.]+) pts"))
                       .match(info(pdf, QStringLiteral("Page size")));
    return m.hasMatch() ? QSizeF(m.captured(1).toDouble(), m.captured(2).toDouble()) : QSizeF();
}

QImage render(const QString& pdf, int page, int dpi) {
    QTemporaryDir dir;
    const QString prefix = dir.filePath(QStringLiteral("page"));
    run(QStringLiteral("pdftoppm"),
        {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-f"), QString::number(page),
         QStringLiteral("-l"), QString::number(page), QStringLiteral("-gray"),
         QStringLiteral("-singlefile"), QStringLiteral("-png"), pdf, prefix});
    return QImage(prefix + QStringLiteral(".png")).convertToFormat(QImage::Format_Grayscale8);
}

}  // namespace pdfprobe
