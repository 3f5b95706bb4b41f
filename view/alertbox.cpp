#include "view/alertbox.h"

#include <QEvent>
#include <QLabel>
#include <QPushButton>

AlertBox::AlertBox(QWidget* parent, Reason reason)
    : QDialog(parent), notFound(new QLabel(this)), hint(new QLabel(this)), ok(new QPushButton(this)),
      cancel(new QPushButton(this)), why(reason)
{
    setObjectName(QStringLiteral("AlertBox"));
    setFixedSize(348, 263);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setStyleSheet(QStringLiteral("QDialog#AlertBox { background-color: rgb(42, 45, 47, 128); }"
                                 "QLabel { color: white; font-size: 15px; }"));
    notFound->setObjectName(QStringLiteral("notFound"));
    notFound->setGeometry(0, 60, 351, 51);
    notFound->setAlignment(Qt::AlignCenter);
    notFound->setWordWrap(true);
    hint->setObjectName(QStringLiteral("hint"));
    hint->setGeometry(0, 110, 351, 51);
    hint->setAlignment(Qt::AlignCenter);
    hint->setWordWrap(true);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setGeometry(50, 190, 111, 33);
    cancel->setObjectName(QStringLiteral("cancel"));
    cancel->setGeometry(190, 190, 111, 33);
    connect(ok, &QPushButton::clicked, this, &QDialog::close);
    connect(cancel, &QPushButton::clicked, this, &QDialog::close);
    retranslate();
}

void AlertBox::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QDialog::changeEvent(event);
}

void AlertBox::retranslate()
{
    setWindowTitle(tr("警告"));
    switch (why) {
    case Reason::MissingFolder:
        notFound->setText(tr("找不到文件夹路径"));
        hint->setText(tr("请到设置中心设置路径"));
        break;
    case Reason::SnapshotNotSaved:
        notFound->setText(tr("抓拍图片未能保存"));
        hint->setText(tr("请检查文件夹和磁盘空间"));
        break;
    case Reason::RecordingNotStarted:
        notFound->setText(tr("录像未能开始"));
        hint->setText(tr("请检查文件夹和磁盘空间"));
        break;
    case Reason::RecordingStopped:
        notFound->setText(tr("录像已停止：无法写入文件"));
        hint->setText(tr("请检查文件夹和磁盘空间"));
        break;
    }
    ok->setText(tr("确定"));
    cancel->setText(tr("取消"));
}
