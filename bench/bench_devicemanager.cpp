// The device manager while a camera streams at 25 fps: what its worker thread costs.
#include "core/globals.h"
#include "device/functionmodel.h"
#include "sdk/virtual/registry.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <benchmark/benchmark.h>

#include <fstream>
#include <optional>
#include <sstream>
#include <unistd.h>

namespace {

// User and system CPU seconds of a /proc stat file (a process's or a thread's).
double cpuSeconds(const std::string& statPath)
{
    std::ifstream stat(statPath);
    std::string line;
    std::getline(stat, line);
    std::istringstream fields(line.substr(line.rfind(')') + 2));
    std::string field;
    long utime = 0, stime = 0;
    for (int i = 3; fields >> field; ++i) {
        if (i == 14)
            utime = std::stol(field);
        if (i == 15) {
            stime = std::stol(field);
            break;
        }
    }
    return double(utime + stime) / double(sysconf(_SC_CLK_TCK));
}

// CPU seconds of this process's thread with that name.
double threadCpuSeconds(const std::string& name)
{
    const QStringList tasks = QDir("/proc/self/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& task : tasks) {
        std::ifstream comm(("/proc/self/task/" + task + "/comm").toStdString());
        std::string threadName;
        std::getline(comm, threadName);
        if (threadName == name)
            return cpuSeconds(("/proc/self/task/" + task + "/stat").toStdString());
    }
    return 0.0;
}

struct StreamingManager
{
    StreamingManager()
    {
        tcsim::setRegistryText("Vesk_R_M serial=BENCHDM fps=25\n");
        QDir().mkpath(gAppDir + "/detecProcess");
        // The detection program's report, written at each of its starts: the manager empties
        // the file before it starts the program.
        const auto report = [] {
            QSettings result(gAppDir + "/detecProcess/NameConfig.ini", QSettings::IniFormat);
            result.setValue("productName", "Orvik");
            result.setValue("cameraName", "Vesk_R_M");
        };
        FunctionModel::Options options;
        options.detection = {[] { return true; }, report, [] {}};
        model = std::make_unique<FunctionModel>(options);
        QObject::connect(model.get(), &FunctionModel::setConnected, model.get(), [this](bool on) { connected = on; });
        streaming = QTest::qWaitFor([this] { return connected; }, 10000);
        QTest::qWait(500); // a few frames arrive and allocate the frame buffers
    }
    std::unique_ptr<FunctionModel> model;
    bool connected = false;
    bool streaming = false;
};

// Made by the first benchmark, released by main while the application and the temporary folder
// are still there: a static released after main made the folder again for the settings it saved.
std::optional<StreamingManager> streamingManager;

StreamingManager& manager()
{
    if (!streamingManager)
        streamingManager.emplace();
    return *streamingManager;
}

void BM_WorkerWhileStreaming(benchmark::State& state)
{
    if (!manager().streaming)
        state.SkipWithError("the virtual camera did not connect");
    // The whole process too: the camera's stream thread runs the device half of each frame,
    // the virtual camera renders it.
    const int seconds = int(state.range(0));
    for (auto _ : state) {
        const double before = threadCpuSeconds("orvik-worker"), processBefore = cpuSeconds("/proc/self/stat");
        QTest::qWait(1000 * seconds);
        const double after = threadCpuSeconds("orvik-worker"), processAfter = cpuSeconds("/proc/self/stat");
        state.counters["worker_cpu_percent"] = (after - before) / seconds * 100.0;
        state.counters["process_cpu_percent"] = (processAfter - processBefore) / seconds * 100.0;
    }
}
// Seconds of streaming measured: 5 by default; a smoke run filters for /1.
BENCHMARK(BM_WorkerWhileStreaming)->Arg(5)->Arg(1)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    gAppDir = dir.path();
    gProductName = "Orvik";
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    streamingManager.reset();
    return 0;
}
