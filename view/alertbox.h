#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// Warning that the folder for snapshots or recordings does not exist.
class AlertBox : public QDialog
{
    Q_OBJECT

public:
    explicit AlertBox(QWidget* parent = nullptr);

protected:
    void changeEvent(QEvent* event) override;

private:
    void retranslate();

    QLabel* notFound;
    QLabel* hint;
    QPushButton* ok;
    QPushButton* cancel;
};
