#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QTranslator;

// Offered at the first start: installs the camera drivers shipped beside the program.
class installdriver : public QDialog
{
    Q_OBJECT

public:
    explicit installdriver(QWidget* parent = nullptr);

    // Unpacks gAppDir/Driver/<folder>.zip when the folder is missing, then starts the
    // installer in it.
    void installDriver(const QString& folder, const QString& installer);

private slots:
    void on_pPtndriver1_clicked();
    void on_pPtndriver2_clicked();
    void on_pPtndriver3_clicked();
    void on_pPtndriver4_clicked();

private:
    void retranslate();

    QTranslator* translator;
    QLabel *logo_left, *label_center, *label_right, *label_hint, *label_tip;
    QPushButton *pPtndriver1, *pPtndriver2, *pPtndriver3, *pPtndriver4;
};
