#pragma once

class QApplication;

namespace ui {

// What the program and the driver set up alike before the first window: the application
// title, one style on every desktop, the Song face at 12 pixels for every window, and Qt's
// own texts in Chinese.
// Linux desktops have no "宋体", and fontconfig does not map the name to a CJK face, so the
// name is substituted with the installed Song-style faces.
void prepareApplication(QApplication& app);

}  // namespace ui
