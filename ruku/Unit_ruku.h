#pragma once

#include "ui/ModuleWindow.h"

class QToolButton;

// The stock-in window, where purchased goods are booked into stock.
class TForm_ruku : public ui::ModuleWindow {
    Q_OBJECT
public:
    TForm_ruku(const ui::AppContext& context, QWidget* menu);

private:
    void SpeedButton11Click();

    QToolButton* SpeedButton11;
};
