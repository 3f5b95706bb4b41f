#pragma once

#include <QWidget>

class QComboBox;
class QLabel;
class QPushButton;

// The dual-light camera's controls, shown while one is connected: the fusion mode and the
// manual alignment of the infrared image over the visible one (shift up and down, parallax
// for the working distance, back to the factory alignment). The camera saves an adjustment
// 1.5 s after its last step. Keys while the bar is shown: Page Up / Page Down shift, + / -
// change the parallax.
class DualLightBar : public QWidget
{
    Q_OBJECT

public:
    explicit DualLightBar(QWidget* parent = nullptr);

    // The mode the camera runs, 1-3 (no signal).
    void setMode(int mode);
    int mode() const;
    void retranslate();

signals:
    void modeChosen(int mode);
    // 0 shift down, 1 shift up, 2 parallax + 1, 3 parallax - 1.
    void moveRequested(int direction);
    void resetRequested();

private:
    QLabel* modeLabel;
    QComboBox* modes;
    QPushButton *up, *down, *nearer, *farther, *reset;
};
