#pragma once

#include <QString>
#include <QStringList>
#include <functional>

namespace legacy {

// What became of one book.
struct Outcome {
    enum Result { Converted, Refused, NotOld };
    Result result = Refused;
    QString text;  // the paragraph of the summary: the figures, or why nothing was done
};

// Converts the book at `path` to the program's own format under the same name. The new
// book is written completely beside it and read back through the program's own reader;
// only when every cell reads back the same is the original renamed to store::keptOldBookName(),
// byte for byte as it was, and the new book put in its place. Anything short of that leaves the
// original where it was and writes nothing. Never throws. `progress` hears each step ("读取",
// "写入", "核对") with its percent, -1 where it cannot tell.
using ConversionProgress = std::function<void(const QString& step, int percent)>;
Outcome convertBook(const QString& path, const ConversionProgress& progress = {});

}  // namespace legacy
