// The update check against a real HTTP server on 127.0.0.1: the query, the version rule, and
// which downloads may become the package the next start installs.
#include "core/configmanager.h"
#include "tests/support/appdirenvironment.h"
#include "tests/support/localhttpserver.h"
#include "tests/support/zipfiles.h"
#include "tools/updatetip.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

const auto* environment = AppDirEnvironment::install();

class UpdateCheck : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QFile::remove(UpdateTip::packagePath());
        gProductName = QStringLiteral("Orvik");
        gLanguageIndex = 0;
        gUpdateHost = server.host();
        gUpdatePort = server.portText();
    }
    void TearDown() override { gUpdateHost.clear(); }
    // The server announces version `version` with the package at /package.zip.
    void announce(double version, const QString& digest = QString())
    {
        QByteArray reply = "{\"content\":{\"fullUrl\":\"" + server.url("/package.zip").toUtf8() +
                           "\",\"version\":" + QByteArray::number(version, 'f', 0);
        if (!digest.isEmpty())
            reply += ",\"sha256\":\"" + digest.toLatin1() + "\"";
        server.answers["/business/web/product/upgrade?softwareId=7311"] = {200, reply + "}}"};
    }
    LocalHttpServer server;
};

TEST(UpdateQuery, SoftwareIdByProductAndLanguage)
{
    EXPECT_EQ(UpdateTip::queryUrlFor("Orvik", 1, "H", "9000"),
              QUrl("http://H:9000/business/web/product/upgrade?softwareId=7312"));
    EXPECT_EQ(UpdateTip::queryUrlFor("Orvik", 0, "H", "9000").query(), "softwareId=7311");
    EXPECT_EQ(UpdateTip::queryUrlFor("Orvik", 5, "H", "9000").query(), "softwareId=7311");
    EXPECT_EQ(UpdateTip::queryUrlFor("Orvik", 2, "H", "9000").query(), "softwareId=7313");
    EXPECT_TRUE(UpdateTip::queryUrlFor("Other", 1, "H", "9000").isEmpty());
    EXPECT_EQ(UpdateTip::localVersion("V1.0.8"), 65544.0) << "10008 read in base 16";
}

TEST_F(UpdateCheck, OnlyAHigherVersionIsDownloaded)
{
    const QByteArray package = zipBytes({{"Orvik_1.0.9/orvik", "new"}});
    server.answers["/package.zip"] = {200, package};
    for (double version : {65544.0, 10009.0}) {
        announce(version);
        server.asked.clear();
        UpdateTip tip;
        QTest::qWait(500);
        EXPECT_EQ(server.asked.size(), 1) << version << ": the query only";
        EXPECT_FALSE(tip.isVisible());
    }
    announce(65545);
    server.asked.clear();
    UpdateTip tip;
    ASSERT_TRUE(QTest::qWaitFor([&] { return tip.isVisible(); }, 5000)) << "downloaded and told";
    QFile saved(UpdateTip::packagePath());
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), package);
}

TEST_F(UpdateCheck, RepliesThatAreNoVersionAnnounceNothing)
{
    for (const QByteArray& reply : {QByteArray("{\"other\":1}"), QByteArray("not json"), QByteArray("[1,2]")}) {
        server.answers["/business/web/product/upgrade?softwareId=7311"] = {200, reply};
        server.asked.clear();
        UpdateTip tip;
        QTest::qWait(400);
        EXPECT_EQ(server.asked.size(), 1) << reply.constData();
        EXPECT_FALSE(tip.isVisible());
    }
    EXPECT_FALSE(QFile::exists(UpdateTip::packagePath()));
}

TEST_F(UpdateCheck, ABrokenDownloadLeavesThePreviousPackageAndShowsNothing)
{
    QDir().mkpath(QFileInfo(UpdateTip::packagePath()).path());
    QFile previous(UpdateTip::packagePath());
    ASSERT_TRUE(previous.open(QIODevice::WriteOnly));
    previous.write("previous package");
    previous.close();
    const QByteArray good = zipBytes({{"Orvik_1.0.9/orvik", "new"}});
    const QList<LocalHttpServer::Answer> broken = {
        {404, good},                        // an error status
        {200, good, -1, true},              // the connection dropped mid-body
        {200, good.left(good.size() - 10), good.size()}, // shorter than announced
        {200, "this is no archive at all"}, // not a zip
    };
    for (const LocalHttpServer::Answer& answer : broken) {
        announce(65545);
        server.answers["/package.zip"] = answer;
        server.asked.clear();
        UpdateTip tip;
        ASSERT_TRUE(QTest::qWaitFor([&] { return server.asked.size() == 2; }, 5000));
        QTest::qWait(300);
        EXPECT_FALSE(tip.isVisible()) << answer.status;
        QFile kept(UpdateTip::packagePath());
        ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
        EXPECT_EQ(kept.readAll(), "previous package");
    }
    // A package whose content does not match its own checksums.
    QByteArray damaged = zipBytes({{"Orvik_1.0.9/orvik", noiseBytes(3000)}});
    damaged[47 + 5] = char(damaged[47 + 5] ^ 0x5a); // inside the first entry's data
    announce(65545, QCryptographicHash::hash(damaged, QCryptographicHash::Sha256).toHex());
    server.answers["/package.zip"] = {200, damaged};
    server.asked.clear();
    {
        UpdateTip tip;
        ASSERT_TRUE(QTest::qWaitFor([&] { return server.asked.size() == 2; }, 5000));
        QTest::qWait(300);
        EXPECT_FALSE(tip.isVisible()) << "a damaged archive, even with the right digest";
    }
    // A digest that does not match the package.
    announce(65545, QString(64, 'a'));
    server.answers["/package.zip"] = {200, good};
    server.asked.clear();
    UpdateTip mismatched;
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.asked.size() == 2; }, 5000));
    QTest::qWait(300);
    EXPECT_FALSE(mismatched.isVisible());
    // And one that does.
    announce(65545, QCryptographicHash::hash(good, QCryptographicHash::Sha256).toHex());
    UpdateTip matching;
    EXPECT_TRUE(QTest::qWaitFor([&] { return matching.isVisible(); }, 5000));
}

TEST_F(UpdateCheck, ADigestThatIsNoDigestRefusesTheUpdate)
{
    server.answers["/package.zip"] = {200, zipBytes({{"Orvik_1.0.9/orvik", "new"}})};
    announce(65545, "not-a-digest");
    UpdateTip tip;
    QTest::qWait(500);
    EXPECT_EQ(server.asked.size(), 1) << "the package is not even fetched";
    EXPECT_FALSE(QFile::exists(UpdateTip::packagePath()));
}

// A server that names its own query as the package: the second reply is taken as a package
// (and refused, it is no zip), never as a new version reply that would ask again and again.
TEST_F(UpdateCheck, RepliesAreToldApartByRequestNotByAddress)
{
    const QByteArray reply = "{\"content\":{\"fullUrl\":\"" +
                             server.url("/business/web/product/upgrade?softwareId=7311").toUtf8() +
                             "\",\"version\":70000}}";
    server.answers["/business/web/product/upgrade?softwareId=7311"] = {200, reply};
    UpdateTip tip;
    QTest::qWait(800);
    EXPECT_EQ(server.asked.size(), 2);
    EXPECT_FALSE(tip.isVisible());
}

TEST_F(UpdateCheck, APackageAddressThatIsNotTheWebIsRefused)
{
    server.answers["/business/web/product/upgrade?softwareId=7311"] = {
        200, "{\"content\":{\"fullUrl\":\"file:///etc/passwd\",\"version\":70000}}"};
    UpdateTip tip;
    QSignalSpy found(&tip, &UpdateTip::findVersion);
    QTest::qWait(500);
    EXPECT_TRUE(found.isEmpty());
    EXPECT_FALSE(QFile::exists(UpdateTip::packagePath()));
}

} // namespace
