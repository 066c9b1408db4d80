#pragma once

#include <QString>

namespace ui {

// What comes with the program lies either beside the executable (a portable folder such
// as dist/) or in the installed tree around bin/: helper programs in libexec/tavelo,
// data such as the manual in share/tavelo. Both are looked up relative to the executable,
// so that a package unpacked anywhere finds its own files.
enum class Shipped { Helper, Data };

// The absolute path of NAME (it may hold a folder, "manual/index.html"), or an empty
// string when the program came without it.
QString shippedFile(const QString& executableDir, const QString& name, Shipped kind);

}  // namespace ui
