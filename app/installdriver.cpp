#include "app/installdriver.h"

#include "core/globals.h"
#include "core/log.h"
#include "platform/process.h"
#include "tools/archive.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTranslator>
#include <QVBoxLayout>

installdriver::installdriver(QWidget* parent) : QDialog(parent), translator(new QTranslator(this))
{
    resize(470, 304);
    setWindowTitle(QStringLiteral("Please install the driver"));
    setWindowFlags(windowFlags() | Qt::Dialog);
    static const char* const files[] = {":language/lang_Chinese.qm", ":language/lang_English.qm",
                                        ":language/lang_Espana.qm"};
    if (gLanguageIndex >= 0 && gLanguageIndex < 3) {
        translator->load(QLatin1String(files[gLanguageIndex]));
        qApp->installTranslator(translator);
    }
    auto* frame = new QFrame(this);
    frame->setObjectName(QStringLiteral("frame"));
    logo_left = new QLabel(frame);
    logo_left->setObjectName(QStringLiteral("logo_left"));
    logo_left->setFixedSize(40, 40);
    label_center = new QLabel(frame);
    label_center->setObjectName(QStringLiteral("label_center"));
    label_right = new QLabel(frame);
    label_right->setObjectName(QStringLiteral("label_right"));
    auto* head = new QHBoxLayout(frame);
    head->addWidget(logo_left);
    head->addWidget(label_center, 1);
    head->addWidget(label_right);
    label_hint = new QLabel(this);
    label_hint->setObjectName(QStringLiteral("label_hint"));
    label_tip = new QLabel(this);
    label_tip->setObjectName(QStringLiteral("label_tip"));
    label_tip->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addWidget(label_hint);
    layout->addWidget(label_tip);
    QPushButton** buttons[] = {&pPtndriver1, &pPtndriver2, &pPtndriver3, &pPtndriver4};
    for (int i = 0; i < 4; ++i) {
        *buttons[i] = new QPushButton(this);
        (*buttons[i])->setObjectName(QStringLiteral("pPtndriver%1").arg(i + 1));
        layout->addWidget(*buttons[i]);
    }
    if (gProductName == QLatin1String("Orvik")) {
        logo_left->setStyleSheet(QStringLiteral("image: url(:/image/Orvik/icons/LOGO.png);"));
        label_center->setText(QStringLiteral("Pellin红外热成像"));
        pPtndriver3->hide();
        pPtndriver4->hide();
    }
    QMetaObject::connectSlotsByName(this);
    retranslate();
}

void installdriver::retranslate()
{
    label_hint->setText(tr("提示"));
    label_tip->setText(tr("请安装以下驱动，否则程序不能正常运行"));
    pPtndriver1->setText(tr("安装驱动1"));
    pPtndriver2->setText(tr("安装驱动2"));
    pPtndriver3->setText(tr("安装驱动3"));
    pPtndriver4->setText(tr("安装驱动4"));
}

void installdriver::installDriver(const QString& folder, const QString& installer)
{
    const QString dir = gAppDir + QStringLiteral("/Driver/") + folder;
    if (!QDir(dir).exists()) {
        if (!QFile::exists(dir + QStringLiteral(".zip")))
            return;
        extractArchive(dir + QStringLiteral(".zip"), gAppDir + QStringLiteral("/Driver/"));
    }
    if (!QProcess::startDetached(programPath(dir, installer), {}))
        LOG_WARNING(LOG_OTHER) << "cannot start driver installer" << programPath(dir, installer);
}

void installdriver::on_pPtndriver1_clicked()
{
    installDriver(QStringLiteral("VeskDriver"), QStringLiteral("InstallDriver"));
}

void installdriver::on_pPtndriver2_clicked()
{
    installDriver(QStringLiteral("LumoDriver"), QStringLiteral("InstallDriver"));
}

void installdriver::on_pPtndriver3_clicked()
{
    installDriver(QStringLiteral("PC_Camera"), QStringLiteral("InstallDriver"));
}

void installdriver::on_pPtndriver4_clicked()
{
    installDriver(QStringLiteral("CH341SER"), QStringLiteral("SETUP"));
}
