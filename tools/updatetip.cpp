#include "tools/updatetip.h"

#include "core/configmanager.h"
#include "core/globals.h"
#include "core/log.h"
#include "tools/archive.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPushButton>
#include <QRegularExpression>
#include <QSaveFile>
#include <QVBoxLayout>

namespace {

QNetworkRequest jsonRequest(const QUrl& url)
{
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    return request;
}


} // namespace

UpdateTip::UpdateTip(QWidget* parent) : QDialog(parent), manager(new QNetworkAccessManager(this))
{
    buildForm();
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    setFixedSize(400, 300);
    if (gProductName == QLatin1String("Orvik"))
        winIcon->setStyleSheet(QStringLiteral("image: url(:/image/Orvik/icons/WinLogo2.png);"));
    retranslate();
    QMetaObject::connectSlotsByName(this);
    connect(manager, &QNetworkAccessManager::finished, this, &UpdateTip::RecvMessage);
    if (ConfigManager::getInstance()->storage().installed) {
        LOG_INFO(LOG_UPDATE) << "installed copy: new versions come from the package manager, no update check";
        return;
    }
    queryUrl = queryUrlFor(gProductName, gLanguageIndex, gUpdateHost, gUpdatePort);
    if (queryUrl.isValid() && !queryUrl.host().isEmpty())
        queryReply = manager->get(jsonRequest(queryUrl));
}

UpdateTip::~UpdateTip() = default;

void UpdateTip::buildForm()
{
    setObjectName(QStringLiteral("UpdateTip"));
    setStyleSheet(QStringLiteral("QDialog#UpdateTip { background-color: rgb(8, 36, 64); }"
                                 "QLabel { color: rgb(210, 220, 230); font-size: 14px; }"
                                 "QPushButton { color: white; background-color: rgb(14, 50, 84);"
                                 " border: 1px solid rgb(28, 72, 110); padding: 5px 16px; }"
                                 "QPushButton#close { background: transparent; border: none; }"));
    auto* root = new QVBoxLayout(this);
    auto* head = new QHBoxLayout;
    winIcon = new QLabel(this);
    winIcon->setObjectName(QStringLiteral("winIcon"));
    winIcon->setMinimumSize(150, 30);
    winTitle = new QLabel(this);
    winTitle->setObjectName(QStringLiteral("winTitle"));
    close = new QPushButton(this);
    close->setObjectName(QStringLiteral("close"));
    close->setIcon(QIcon(QStringLiteral(":/image/Orvik/TitleBar/winClose.png")));
    head->addWidget(winIcon);
    head->addWidget(winTitle);
    head->addStretch();
    head->addWidget(close);
    root->addLayout(head);
    label_3 = new QLabel(this);
    label_3->setObjectName(QStringLiteral("label_3"));
    label_3->setWordWrap(true);
    label_3->setAlignment(Qt::AlignCenter);
    root->addWidget(label_3, 1);
    pushButton = new QPushButton(this);
    pushButton->setObjectName(QStringLiteral("pushButton"));
    root->addWidget(pushButton, 0, Qt::AlignHCenter);
}

void UpdateTip::retranslate()
{
    if (gProductName == QLatin1String("Orvik"))
        winTitle->setText(tr("Pellin红外热成像"));
    pushButton->setText(tr("确定"));
    label_3->setText(tr("已有升级包下载完毕，请重启打开升级软件版本"));
}

void UpdateTip::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QDialog::changeEvent(event);
}

QUrl UpdateTip::queryUrlFor(const QString& product, int language, const QString& host, const QString& port)
{
    static const struct
    {
        const char* product;
        const char* ids[3]; // other languages, English, Spanish
    } kSoftware[] = {{"Veltrace", {"7211", "7212", "7213"}},
                     {"Orvik", {"7311", "7312", "7313"}},
                     {"Quell_IR", {"22001", "22002", "22003"}},
                     {"Harrow_IR", {"23001", "23002", "23003"}}};
    for (const auto& software : kSoftware) {
        if (product != QLatin1String(software.product))
            continue;
        const char* id = software.ids[language == 1 || language == 2 ? language : 0];
        return QUrl(QStringLiteral("http://%1:%2/business/web/product/upgrade?softwareId=").arg(host, port) +
                    QLatin1String(id));
    }
    return QUrl();
}

double UpdateTip::localVersion(const QString& version)
{
    const QStringList parts = version.toLower().remove(QLatin1Char('v')).trimmed().split(QLatin1Char('.'));
    if (parts.size() < 3)
        return 0.0;
    return double((parts[0] + QLatin1Char('0') + parts[1] + QLatin1Char('0') + parts[2]).toLongLong(nullptr, 16));
}

QString UpdateTip::packagePath()
{
    return gAppDir + QStringLiteral("/updataProcess/updataFile/Zipfile/TavlonVeltrace.zip");
}

void UpdateTip::RecvMessage(QNetworkReply* reply)
{
    reply->deleteLater();
    const QByteArray body = reply->readAll();
    if (reply == queryReply) {
        queryReply = nullptr;
        handleVersion(reply->error() == QNetworkReply::NoError ? body : QByteArray());
    } else if (reply == downloadReply) {
        downloadReply = nullptr;
        handleDownload(reply, body);
    }
}

void UpdateTip::handleVersion(const QByteArray& body)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject() || !document.object().contains(QStringLiteral("content")))
        return;
    const QJsonObject content = document.object().value(QStringLiteral("content")).toObject();
    const QString fullUrl = content.value(QStringLiteral("fullUrl")).toString();
    const QJsonValue versionValue = content.value(QStringLiteral("version"));
    const double version = versionValue.isString() ? versionValue.toString().toDouble() : versionValue.toDouble(0.0);
    if (version <= localVersion(ConfigManager::getVersion()))
        return;
    const QUrl url(fullUrl);
    // A package comes over the web only: a file: or other address could reach anything.
    if (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https")) {
        LOG_WARNING(LOG_UPDATE) << "update package address refused:" << fullUrl;
        return;
    }
    // A digest that is named must be one: 64 hexadecimal digits.
    if (content.contains(QStringLiteral("sha256"))) {
        const QString digest = content.value(QStringLiteral("sha256")).toString();
        static const QRegularExpression hex(QStringLiteral("^[0-9A-Fa-f]{64}$"));
        if (!hex.match(digest).hasMatch()) {
            LOG_WARNING(LOG_UPDATE) << "update refused: its sha256 is no digest";
            return;
        }
        expectedDigest = QByteArray::fromHex(digest.toLatin1());
    }
    LOG_INFO(LOG_UPDATE) << "start download";
    emit findVersion();
    downloadUrl = url;
    downloadReply = manager->get(jsonRequest(downloadUrl));
    connect(downloadReply, &QNetworkReply::downloadProgress, this, &UpdateTip::limitDownload);
}

void UpdateTip::limitDownload(qint64 received, qint64 total)
{
    // The body is kept in memory until it is checked: an endless one must not fill it.
    if ((received > kLargestPackage || total > kLargestPackage) && downloadReply) {
        LOG_WARNING(LOG_UPDATE) << "update package larger than" << kLargestPackage << "bytes, refused";
        downloadReply->abort();
    }
}

void UpdateTip::handleDownload(QNetworkReply* reply, const QByteArray& body)
{
    // Only a whole, good package may wait for the next start: it is handed to the updater.
    QString refused;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
    if (reply->error() != QNetworkReply::NoError)
        refused = QStringLiteral("network error: ") + reply->errorString();
    else if (status != 200)
        refused = QStringLiteral("HTTP status %1").arg(status);
    else if (length.isValid() && length.toLongLong() != body.size())
        refused = QStringLiteral("%1 of %2 bytes").arg(body.size()).arg(length.toLongLong());
    else if (!expectedDigest.isEmpty() && QCryptographicHash::hash(body, QCryptographicHash::Sha256) != expectedDigest)
        refused = QStringLiteral("sha256 mismatch");
    if (refused.isEmpty()) {
        // Unpacked whole at the next start, or not at all: every entry is checked now.
        QBuffer archive;
        archive.setData(body);
        archive.open(QIODevice::ReadOnly);
        archiveIntact(&archive, &refused);
    }
    if (!refused.isEmpty()) {
        LOG_WARNING(LOG_UPDATE) << "update package refused:" << refused;
        return;
    }
    const QString path = packagePath();
    QDir().mkpath(QFileInfo(path).path());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(body) != body.size() || !file.commit()) {
        LOG_WARNING(LOG_UPDATE) << "update package not saved:" << file.errorString();
        return;
    }
    LOG_INFO(LOG_UPDATE) << "update package ready:" << body.size() << "bytes";
    show();
}
