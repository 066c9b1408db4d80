#pragma once

#include <QMainWindow>

#include "ui/AppContext.h"

class QCheckBox;
class QLabel;
class QTimer;
class QToolButton;
class QDialog;
namespace ui {
class PanelStatusBar;
}

// The menu: opens the three module windows in its place, the settings and About windows
// over it, backs the books up, and once after start-up runs the automatic backup.
class TForm_main : public QMainWindow {
    Q_OBJECT
public:
    static const QString kCaption;
    static constexpr int kStartupDelayMs = 15000;

    explicit TForm_main(const ui::AppContext& context);

    // The windows created after this one, in start-up order.
    void setWindows(QDialog* kucun, QDialog* chuku, QDialog* ruku, QDialog* config,
                    QDialog* banben);

    QTimer* startupTimer() const { return Timer1; }
    // The start-up timer's handler; runs once.
    void Timer1Timer();

private:
    void FormCreate();
    void openModule(QDialog* window);
    void SpeedButton1Click();
    void SpeedButton2Click();
    void SpeedButton3Click();
    void SpeedButton4Click();
    void SpeedButton5Click();
    void SpeedButton6Click();
    void SpeedButton7Click();
    void SpeedButton8Click();
    void SpeedButton9Click();

    ui::AppContext m_context;
    QDialog* m_kucun = nullptr;
    QDialog* m_chuku = nullptr;
    QDialog* m_ruku = nullptr;
    QDialog* m_config = nullptr;
    QDialog* m_banben = nullptr;

    QCheckBox* CheckBox1;  // the back-up-at-start flag, never shown
    QTimer* Timer1;
    QLabel* Image1;
    ui::PanelStatusBar* StatusBar1;
};
