// Calibration tables kept on disk between runs: a cached table is used only when all of it
// matches the camera and holds together.
#include "capture/tablecache.h"
#include "capture/tcal_module.h"
#include "fuzz/fuzzing.h"
#include <cstring>

namespace {

constexpr size_t kHeaderBytes = 84;
const QByteArray kSerial("TC2403001");

template <class T> T at(const uint8_t* data, size_t offset)
{
    T value;
    std::memcpy(&value, data + offset, sizeof value);
    return value;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < kHeaderBytes)
        return 0;
    // The table and range the file claims are the ones asked for, so the fuzzer gets past the
    // identity, in the size the camera's flash holds.
    TableCache::Identity identity{kSerial, TableCache::Table(at<uint16_t>(data, 6) % 3), at<uint16_t>(data, 8) == 0};
    const size_t words = size_t(identity.table == TableCache::Table::Nuc ? TcalModule::kNucBytes : TcalModule::kKtBtBytes) / 2;
    const QString path = fuzz::scratchPath(QStringLiteral("table.bin"));
    fuzz::writeFile(path, data, size);
    QString why;
    const std::vector<uint16_t> table = TableCache::read(path, identity, words, why);
    if (table.empty())
        return 0;
    FUZZ_REQUIRE(table.size() == words, why);
    FUZZ_REQUIRE(size == kHeaderBytes + 2 * words, QStringLiteral("file longer or shorter than its table"));
    FUZZ_REQUIRE(std::memcmp(data, "OVCT", 4) == 0 && at<uint16_t>(data, 4) == 1, QStringLiteral("mark or version"));
    FUZZ_REQUIRE(QByteArray(reinterpret_cast<const char*>(data) + 12, at<uint16_t>(data, 10)) == kSerial,
                 QStringLiteral("another camera's table"));
    FUZZ_REQUIRE(TableCache::crc32(reinterpret_cast<const uint8_t*>(table.data()), 2 * words) == at<uint32_t>(data, 80),
                 QStringLiteral("a table whose checksum does not match"));
    FUZZ_REQUIRE(std::memcmp(table.data(), data + kHeaderBytes, 2 * words) == 0, QStringLiteral("not the file's table"));
    return 0;
}
