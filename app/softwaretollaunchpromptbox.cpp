#include "app/softwaretollaunchpromptbox.h"

#include <QLabel>
#include <QPushButton>

SoftwareTolLaunchPromptBox::SoftwareTolLaunchPromptBox(QWidget* parent)
    : QDialog(parent), label(new QLabel(this)), OK(new QPushButton(this))
{
    setFixedSize(241, 107);
    setMaximumSize(241, 107);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setStyleSheet(QStringLiteral("background-color: rgb(230, 230, 230);\n"));
    setCursor(Qt::PointingHandCursor);
    label->setObjectName(QStringLiteral("label"));
    label->setGeometry(-10, 0, 261, 71);
    label->setAlignment(Qt::AlignCenter);
    label->setStyleSheet(QStringLiteral("background-color: white;"));
    OK->setObjectName(QStringLiteral("OK"));
    OK->setGeometry(160, 80, 75, 23);
    QMetaObject::connectSlotsByName(this);
    setLanguageIndex(0);
}

void SoftwareTolLaunchPromptBox::setLanguageIndex(int index)
{
    if (index == 1) {
        setWindowTitle(QStringLiteral("Warning"));
        label->setText(QStringLiteral("Software running"));
        OK->setText(QStringLiteral("OK"));
    } else if (index == 2) {
        setWindowTitle(QStringLiteral("Advertencia"));
        label->setText(QStringLiteral("El software está en funcionamiento"));
        OK->setText(QStringLiteral("OK"));
    } else {
        setWindowTitle(QStringLiteral("警告"));
        label->setText(QStringLiteral("软件已运行"));
        OK->setText(QStringLiteral("确认"));
    }
}

void SoftwareTolLaunchPromptBox::on_OK_clicked()
{
    close();
}
