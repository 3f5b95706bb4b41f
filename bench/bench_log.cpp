// Cost of one program log statement, from the macro to the flushed line in the daily file.
// Capture threads log on the frame path, so this must stay far below a frame period.
#include "core/log.h"
#include "core/logmanager.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

static void BM_LogStatementToFile(benchmark::State& state)
{
    QTemporaryDir dir;
    LogManager* log = LogManager::getInstance();
    log->setLogDir(dir.path());
    log->setLogEnabled(true);
    int frame = 0;
    for (auto _ : state)
        LOG_INFO(LOG_CAMERA) << "frame" << ++frame << "stored";
    log->setLogEnabled(false);
}
BENCHMARK(BM_LogStatementToFile)->UseRealTime();

static void BM_DroppedDebugMessage(benchmark::State& state)
{
    LogManager* log = LogManager::getInstance();
    log->setLogEnabled(true);
    for (auto _ : state)
        qDebug() << "not written";
    log->setLogEnabled(false);
}
BENCHMARK(BM_DroppedDebugMessage);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
