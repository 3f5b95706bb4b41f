#include "view/temphint.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TempHint::TempHint(QWidget* parent)
    : QDialog(parent), closeButton(new QPushButton(this)), logo(new QLabel(this)), message(new QLabel(this)),
      okButton(new QPushButton(this))
{
    setObjectName(QStringLiteral("TempHint"));
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setMinimumSize(387, 280);
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(QStringLiteral("QDialog#TempHint { background-color: rgba(42, 45, 47, 128); }"
                                 "QLabel { color: white; font-size: 15px; }"));

    closeButton->setObjectName(QStringLiteral("closeButton"));
    closeButton->setFixedSize(31, 31);
    closeButton->setText(QStringLiteral("×"));
    logo->setObjectName(QStringLiteral("logo"));
    message->setObjectName(QStringLiteral("message"));
    message->setWordWrap(true);
    message->setAlignment(Qt::AlignCenter);
    okButton->setObjectName(QStringLiteral("okButton"));

    auto* top = new QHBoxLayout;
    top->addWidget(logo);
    top->addStretch();
    top->addWidget(closeButton);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(okButton);
    bottom->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(message, 1);
    layout->addLayout(bottom);

    connect(closeButton, &QPushButton::clicked, this, &QDialog::close);
    connect(okButton, &QPushButton::clicked, this, &QDialog::close);
    retranslate();
}

void TempHint::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QDialog::changeEvent(event);
}

void TempHint::retranslate()
{
    message->setText(tr("高温模式测试中，此设备暂无适配"));
    okButton->setText(tr("确定"));
}
