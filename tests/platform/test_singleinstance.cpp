#include "platform/singleinstance.h"
#include "tests/platform/helperprocess.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(SingleInstance, ALiveHolderRefusesASecondCopy)
{
    QTemporaryDir dir;
    QByteArray answer;
    auto holder = startHelper({"lock", dir.path()}, &answer);
    ASSERT_TRUE(holder);
    ASSERT_EQ(answer, "locked");

    SingleInstance second("Orvik", dir.path());
    EXPECT_FALSE(second.acquire());
    QByteArray thirdAnswer;
    auto third = startHelper({"lock", dir.path()}, &thirdAnswer);
    ASSERT_TRUE(third);
    EXPECT_EQ(thirdAnswer, "refused");
    stopHelper(*third);
    stopHelper(*holder);
}

TEST(SingleInstance, ALockLeftByAKilledCopyIsTakenOver)
{
    QTemporaryDir dir;
    QByteArray answer;
    auto holder = startHelper({"lock", dir.path()}, &answer);
    ASSERT_TRUE(holder);
    ASSERT_EQ(answer, "locked");
    stopHelper(*holder); // SIGKILL: the lock file stays behind

    SingleInstance next("Orvik", dir.path());
    ASSERT_TRUE(QFile::exists(next.lockFilePath()));
    EXPECT_TRUE(next.acquire());
}

// A restart that gets the dead copy's process id (containers, sandboxes): the file names a
// live process, but nobody holds the lock.
TEST(SingleInstance, AFileNamingALiveProcessDoesNotBlockWithoutItsLock)
{
    QTemporaryDir dir;
    QFile stale(dir.path() + "/Orvik.lock");
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.write(QByteArray::number(QCoreApplication::applicationPid()) + "\n");
    stale.close();
    SingleInstance next("Orvik", dir.path());
    EXPECT_TRUE(next.acquire());
    SingleInstance second("Orvik", dir.path());
    EXPECT_FALSE(second.acquire()) << "and the lock then holds against everyone";
}

TEST(SingleInstance, AnUnusableRuntimeFolderDoesNotKeepTheProgramFromStarting)
{
    QTemporaryDir dir;
    QFile plain(dir.path() + "/plain");
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly)); // no folder can be made below a file
    SingleInstance instance("Orvik", dir.path() + "/plain/run");
    EXPECT_TRUE(instance.acquire());
}

TEST(SingleInstance, ReleasedWithItsOwnerAndCreatesItsFolder)
{
    QTemporaryDir dir;
    const QString nested = dir.path() + "/run/user";
    {
        SingleInstance first("Orvik", nested);
        ASSERT_TRUE(first.acquire());
        EXPECT_TRUE(QFile::exists(nested + "/Orvik.lock"));
    }
    EXPECT_FALSE(QFile::exists(nested + "/Orvik.lock"));
    SingleInstance again("Orvik", nested);
    EXPECT_TRUE(again.acquire());
}

} // namespace
