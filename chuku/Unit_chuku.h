#pragma once

#include "ui/ModuleWindow.h"

class QToolButton;

// The stock-out window, where sales and goods returns are booked.
class TForm_chuku : public ui::ModuleWindow {
    Q_OBJECT
public:
    TForm_chuku(const ui::AppContext& context, QWidget* menu);

private:
    void SpeedButton11Click();

    QToolButton* SpeedButton11;
};
