#include "core/log.h"
#include "core/logmanager.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

QString today()
{
    return QDate::currentDate().toString("yyyy-MM-dd");
}

class LogManagerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        log = LogManager::getInstance();
        log->setLogDir(dir.path());
        log->setMaxFileSize(LogManager::kDefaultMaxFileSize);
        log->setLogEnabled(true);
    }
    void TearDown() override { log->setLogEnabled(false); }

    QString dailyFile() const
    {
        return dir.path() + "/" + QFileInfo(QCoreApplication::applicationFilePath()).baseName() + "_log_" +
               today() + ".log";
    }
    static QStringList linesOf(const QString& path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QStringList lines = QString::fromUtf8(file.readAll()).split('\n');
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        return lines;
    }
    QStringList lines() const { return linesOf(dailyFile()); }

    QTemporaryDir dir;
    LogManager* log = nullptr;
};

TEST_F(LogManagerTest, LogStatementIsWrittenWithCategoryNameTimeFileAndLine)
{
    const int line = __LINE__ + 1;
    LOG_INFO(LOG_FUNCTION) << "InitVariable" << 42;
    LOG_DEBUG(LOG_OTHER) << QStringLiteral("Driver zip file is not exist");

    const QStringList written = lines();
    ASSERT_EQ(written.size(), 2);
    const QRegularExpression info(QStringLiteral("^\\[FUNCTION\\]\\[INFO\\] \\[%1 \\d\\d:\\d\\d:\\d\\d \\d{3}\\] "
                                                 "\\[test_logmanager\\.cpp:%2\\]: InitVariable 42$")
                                      .arg(today())
                                      .arg(line));
    EXPECT_TRUE(info.match(written[0]).hasMatch()) << written[0].toStdString();
    // [DEBUG] is only a word in the text: the line is written all the same, without quotes.
    EXPECT_TRUE(written[1].startsWith("[OTHER][DEBUG] [" + today()));
    EXPECT_TRUE(written[1].endsWith("]: Driver zip file is not exist")) << written[1].toStdString();
}

TEST_F(LogManagerTest, CategoryCodesMapToTheirNamesAndUnknownCodesToEmptyBrackets)
{
    const QStringList names = {"NETWORK",   "Serial", "FUNCTION", "FLOW",   "CAMERA", "TAVLON_IR",
                               "Orvik",     "Quell_IR", "Harrow_IR", "DB", "UPDATE", "OTHER"};
    for (int code = 0; code < names.size(); ++code)
        qInfo().noquote() << QStringLiteral("%1|code %1 %2").arg(code).arg(today());
    for (const char* code : {"-1", "12", "99", "x7", ""})
        qInfo().noquote() << QStringLiteral("%1|odd %2").arg(code, today());

    const QStringList written = lines();
    ASSERT_EQ(written.size(), names.size() + 5);
    for (int code = 0; code < names.size(); ++code)
        EXPECT_EQ(written[code], QStringLiteral("[%1]code %2 %3").arg(names[code]).arg(code).arg(today()));
    for (int i = names.size(); i < written.size(); ++i)
        EXPECT_EQ(written[i], "[]odd " + today());
}

TEST_F(LogManagerTest, OnlyTodaysNonDebugMessagesAreWritten)
{
    const QString yesterday = QDate::currentDate().addDays(-1).toString("yyyy-MM-dd");
    qDebug().noquote() << "2|debug level " + today();
    qInfo().noquote() << "2|dated yesterday " + yesterday;
    qInfo().noquote() << "2|no date at all";
    qWarning().noquote() << "2|warning " + today();
    qCritical().noquote() << "3|critical " + today();
    EXPECT_EQ(lines(), QStringList({"[FUNCTION]warning " + today(), "[FLOW]critical " + today()}));
}

TEST_F(LogManagerTest, BarsBeyondTheFirstEndTheBodyAndABarlessMessageIsKeptWhole)
{
    qInfo().noquote() << "4|open " + today() + "|dropped|too";
    qInfo().noquote() << "warning without bar " + today();
    EXPECT_EQ(lines(), QStringList({"[CAMERA]open " + today(), "[]warning without bar " + today()}));
}

TEST_F(LogManagerTest, FileRollsOverPastTheLimitAndTheNextLineStartsAFreshDailyFile)
{
    log->setMaxFileSize(300);
    const QString filler(90, 'x');
    for (int i = 0; i < 3; ++i)
        qInfo().noquote() << QStringLiteral("2|line %1 %2 %3").arg(i).arg(today(), filler);

    const QStringList rolled = QDir(dir.path()).entryList({"*_log_" + today() + "-*.log"}, QDir::Files);
    ASSERT_EQ(rolled.size(), 1);
    EXPECT_TRUE(QRegularExpression("_log_\\d{4}-\\d\\d-\\d\\d-\\d{6}\\.log$").match(rolled[0]).hasMatch());
    // The line that crossed the limit stays in the rolled file.
    const QStringList old = linesOf(dir.path() + "/" + rolled[0]);
    ASSERT_EQ(old.size(), 3);
    EXPECT_TRUE(old[2].startsWith("[FUNCTION]line 2 "));
    EXPECT_FALSE(QFile::exists(dailyFile()));

    qInfo().noquote() << "2|after roll-over " + today();
    EXPECT_EQ(lines(), QStringList({"[FUNCTION]after roll-over " + today()}));
}

TEST_F(LogManagerTest, ExpiredLogFilesAreDeletedInSubfoldersToo)
{
    const QDateTime old = QDateTime::currentDateTime().addDays(-15);
    const QDateTime recent = QDateTime::currentDateTime().addDays(-13);
    auto make = [this](const QString& relative, const QDateTime& time) {
        const QString path = dir.path() + "/" + relative;
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("x");
        file.flush();
        ASSERT_TRUE(file.setFileTime(time, QFileDevice::FileModificationTime));
    };
    make("orvik_log_old.log", old);
    make("archive/deep/orvik_log_old.log", old);
    make("orvik_log_recent.log", recent);
    make("archive/notes.txt", old);

    // The first message opens the daily file, which sweeps the folder.
    qInfo().noquote() << "11|start " + today();
    EXPECT_FALSE(QFile::exists(dir.path() + "/orvik_log_old.log"));
    EXPECT_FALSE(QFile::exists(dir.path() + "/archive/deep/orvik_log_old.log"));
    EXPECT_TRUE(QFile::exists(dir.path() + "/orvik_log_recent.log"));
    EXPECT_TRUE(QFile::exists(dir.path() + "/archive/notes.txt"));
    EXPECT_TRUE(QFile::exists(dailyFile()));
}

TEST_F(LogManagerTest, EnablingTwiceChangesNothingAndDisablingStopsWriting)
{
    qInfo().noquote() << "6|one " + today();
    log->setLogEnabled(true);
    qInfo().noquote() << "6|two " + today();
    log->setLogEnabled(false);
    qInfo().noquote() << "6|while off " + today();
    log->setLogEnabled(true);
    qInfo().noquote() << "6|three " + today();
    EXPECT_EQ(lines(), QStringList({"[Orvik]one " + today(), "[Orvik]two " + today(), "[Orvik]three " + today()}));
}

TEST_F(LogManagerTest, UnwritableFolderLosesMessagesWithoutBlockingAnyThread)
{
    QFile blocker(dir.path() + "/not-a-folder");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    log->setLogEnabled(false);
    log->setLogDir(blocker.fileName() + "/log");
    log->setLogEnabled(true);

    std::vector<std::thread> threads;
    for (int t = 0; t < 3; ++t)
        threads.emplace_back([] {
            for (int i = 0; i < 50; ++i)
                LOG_INFO(LOG_CAMERA) << "frame" << i;
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot),
              QStringList({"not-a-folder"}));

    // Pointing it back at a good folder resumes logging.
    log->setLogDir(dir.path());
    LOG_INFO(LOG_CAMERA) << "resumed";
    ASSERT_EQ(lines().size(), 1);
    EXPECT_TRUE(lines()[0].endsWith("]: resumed"));
}

TEST_F(LogManagerTest, LinesFromManyThreadsArriveWholeAndComplete)
{
    constexpr int kThreads = 4, kLines = 400;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < kLines; ++i)
                LOG_INFO(LOG_CAMERA) << QStringLiteral("thread %1 line %2 end").arg(t).arg(i);
        });
    for (std::thread& thread : threads)
        thread.join();

    const QStringList written = lines();
    ASSERT_EQ(written.size(), kThreads * kLines);
    const QRegularExpression whole("^\\[CAMERA\\]\\[INFO\\] \\[.*\\]: thread \\d line \\d+ end$");
    for (const QString& line : written)
        ASSERT_TRUE(whole.match(line).hasMatch()) << line.toStdString();
}

} // namespace
