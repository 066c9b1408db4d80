#include "ui/Cashiers.h"

#include "ui/AppContext.h"
#include "ui/Prompt.h"

namespace ui {

QString Cashiers::waitMessage(int seconds) {
    return QStringLiteral("密码连续输错 3 次，请等 %1 秒后再试。").arg(seconds);
}

bool signInAtTill(const AppContext& context, QWidget* parent) {
    if (!context.cashiers || context.cashiers->names().isEmpty())
        return true;
    return context.prompt->signIn(parent, *context.cashiers);
}

}  // namespace ui
