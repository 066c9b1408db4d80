#include "ui/OldBooks.h"

#include <QCoreApplication>
#include <QCursor>
#include <QEventLoop>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QProgressDialog>
#include <QTimer>
#include <algorithm>

#include "store/DataBooks.h"
#include "ui/Prompt.h"
#include "ui/ShippedFiles.h"
#include "ui/TimersHeld.h"

namespace ui {

namespace {

// A shop's books convert in seconds; a converter stuck on a forged file is stopped.
constexpr int kConverterPatienceMs = 10 * 60 * 1000;

QString converterPath() {
    const QString here = QCoreApplication::applicationDirPath();
    const QString found = shippedFile(here, QStringLiteral("convert-legacy"), Shipped::Helper);
    // Missing, the failure names where a portable copy keeps it.
    return found.isEmpty() ? here + QStringLiteral("/convert-legacy") : found;
}

QString question(const QStringList& books) {
    QStringList names, kept;
    for (const QString& book : books) {
        names << QFileInfo(book).fileName();
        kept << store::keptOldBookName(QFileInfo(book).fileName());
    }
    return QStringLiteral(
               "检测到旧格式的数据文件 %1（Excel 97–2003 或 Excel 5.0/95 的二进制格式），"
               "本程序不能直接使用。是否转换为新格式？\n"
               "转换后会逐格核对；原文件不做任何改动，保留为 %2。")
        .arg(names.join(QStringLiteral("、")), kept.join(QStringLiteral("、")));
}

// Shows the converter's steps in a progress window until it ends or runs out of patience
// (then it still runs). Returns what it said besides, its summary.
QString followConversion(QProcess& converter, QWidget* parent) {
    // Two large journals take the better part of a minute: not a window that seems hung.
    QProgressDialog window(parent);
    window.setObjectName(QStringLiteral("conversionProgress"));
    window.setWindowTitle(QStringLiteral("转换旧格式的数据文件"));
    window.setLabelText(QStringLiteral("正在转换…"));
    window.setCancelButton(nullptr);
    window.setWindowModality(Qt::ApplicationModal);
    window.setMinimumDuration(0);
    window.setAutoClose(false);
    window.setAutoReset(false);
    window.setMinimumWidth(360);
    window.setValue(0);
    QByteArray summary, pending;
    const auto takeLines = [&] {
        pending += converter.readAllStandardOutput();
        for (qsizetype end = pending.indexOf('\n'); end >= 0; end = pending.indexOf('\n')) {
            const QByteArray line = pending.left(end);
            pending.remove(0, end + 1);
            const QList<QByteArray> step = line.split('\t');
            if (step.size() != 4 || step[0] != "#progress") {
                summary += line + '\n';
                continue;
            }
            window.setLabelText(QStringLiteral("正在转换 %1：%2…")
                                    .arg(QString::fromUtf8(step[1]), QString::fromUtf8(step[2])));
            const int percent = step[3].toInt();
            window.setRange(0, percent < 0 ? 0 : 100);
            window.setValue(std::max(percent, 0));
        }
    };
    QEventLoop loop;
    QObject::connect(&converter, &QProcess::readyReadStandardOutput, &loop, takeLines);
    QObject::connect(&converter, &QProcess::finished, &loop, &QEventLoop::quit);
    // The window's own timer: no other may fire while the books are being replaced.
    QTimer::singleShot(kConverterPatienceMs, &window, [&loop] { loop.quit(); });
    const OtherTimersHeld held(&window);
    window.show();
    loop.exec();
    takeLines();
    return QString::fromUtf8(summary + pending).trimmed();
}

}  // namespace

bool offerConversion(const AppContext& context, QWidget* parent, bool afterOperation) {
    const QStringList books = store::oldFormatBooks(context.programDir);
    if (books.isEmpty() || !context.prompt->confirm(parent, question(books)))
        return false;

    QProcess converter;
    // Only its summary is for the shop keeper; a library's complaints are not.
    converter.setStandardErrorFile(QProcess::nullDevice());
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    converter.start(converterPath(), {QStringLiteral("--progress"), context.programDir});
    const bool started = converter.waitForStarted();
    const QString said = started ? followConversion(converter, parent) : QString();
    const bool finished = started && converter.state() == QProcess::NotRunning;
    if (started && !finished) {
        converter.kill();
        converter.waitForFinished();
    }
    QGuiApplication::restoreOverrideCursor();

    if (!started) {
        context.prompt->error(parent,
                              QStringLiteral("无法启动转换程序 %1（%2），数据文件没有改动。")
                                  .arg(converterPath(), converter.errorString()));
        return false;
    }
    if (!finished || converter.exitStatus() != QProcess::NormalExit || converter.exitCode() > 1) {
        // Each book is replaced in one step once it is complete, so a stop leaves every
        // book either converted or as it was.
        // The books go in a fixed order, so the first one still old was being read.
        const QStringList left = store::oldFormatBooks(context.programDir);
        const QString book = left.isEmpty() ? QString() : QFileInfo(left.first()).fileName();
        const QString why =
            !finished
                ? QStringLiteral("转换 %1 没有在规定时间内完成，已停止").arg(book)
                : QStringLiteral("转换程序在读取 %1 时意外终止（这个文件可能已损坏）").arg(book);
        context.prompt->error(
            parent, QStringLiteral("%1。已经转换完的文件保持新格式，其余文件保持原样。%2")
                        .arg(why, said.isEmpty() ? QString() : QStringLiteral("\n\n") + said));
        return false;
    }
    const bool allConverted = converter.exitCode() == 0;
    const QString text =
        afterOperation && allConverted ? said + QStringLiteral("\n\n请重新执行刚才的操作。") : said;
    if (allConverted)
        context.prompt->information(parent, text);
    else
        context.prompt->error(parent, text);
    return allConverted;
}

}  // namespace ui
