#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// Shown by a second copy of the program before it gives way to the running one.
class SoftwareTolLaunchPromptBox : public QDialog
{
    Q_OBJECT

public:
    explicit SoftwareTolLaunchPromptBox(QWidget* parent = nullptr);
    void setLanguageIndex(int index);

private slots:
    void on_OK_clicked();

private:
    QLabel* label;
    QPushButton* OK;
};
