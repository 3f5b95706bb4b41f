#pragma once

#include <QDialog>
#include <QUrl>

class QLabel;
class QNetworkAccessManager;
class QNetworkReply;
class QPushButton;

// Asks the update server once per start whether a newer version exists; if so downloads the
// package for the next start to install, and then tells the user. Nothing is shown when there
// is no update, the server cannot be reached or the download is not a whole, good package.
class UpdateTip : public QDialog
{
    Q_OBJECT

public:
    explicit UpdateTip(QWidget* parent = nullptr);
    ~UpdateTip() override;

    // The version query for a product and interface language; empty for an unknown product.
    static QUrl queryUrlFor(const QString& product, int language, const QString& host, const QString& port);
    // "V1.0.8" -> "10008" read in base 16 = 65,544: the number the server's "version" is
    // compared with.
    static double localVersion(const QString& version);
    // Where a downloaded package waits for the next start.
    static QString packagePath();

    QUrl query() const { return queryUrl; }

signals:
    void findVersion();

private slots:
    void RecvMessage(QNetworkReply* reply);
    void on_close_clicked() { QDialog::close(); }
    void on_pushButton_clicked() { QDialog::close(); }

protected:
    void changeEvent(QEvent* event) override;

private:
    void buildForm();
    void retranslate();
    void handleVersion(const QByteArray& body);
    void handleDownload(QNetworkReply* reply, const QByteArray& body);
    void limitDownload(qint64 received, qint64 total);

    QNetworkAccessManager* manager;
    QUrl queryUrl, downloadUrl;
    QNetworkReply* queryReply = nullptr; // replies are told apart by request, not by address
    QNetworkReply* downloadReply = nullptr;
    QByteArray expectedDigest; // sha256 of the package, when the server names one

public:
    static constexpr qint64 kLargestPackage = 1LL << 30; // bytes; anything larger is refused
    QLabel *winIcon, *winTitle, *label_3;
    QPushButton *close, *pushButton;
};
