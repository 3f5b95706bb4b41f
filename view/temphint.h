#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// Notice that the high-temperature range is not available for the connected camera.
class TempHint : public QDialog
{
    Q_OBJECT

public:
    explicit TempHint(QWidget* parent = nullptr);

protected:
    void changeEvent(QEvent* event) override;

private:
    void retranslate();

    QPushButton* closeButton;
    QLabel* logo;
    QLabel* message;
    QPushButton* okButton;
};
