#pragma once
// What every harness shares: the entry point libFuzzer (or the replay driver) calls, a property
// check that ends the run the way a crash does, and scratch files the process keeps.
#include <QString>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

// A property of the reader that must hold for every input; its failure is a finding.
#define FUZZ_REQUIRE(condition, what)                                                                     \
    do {                                                                                                  \
        if (!(condition))                                                                                 \
            fuzz::fail(#condition, what, __FILE__, __LINE__);                                             \
    } while (0)

namespace fuzz {

[[noreturn]] void fail(const char* condition, const QString& what, const char* file, int line);

// A path in a folder of the process's own, removed when the process ends.
QString scratchPath(const QString& name);
// Replaces the file with these bytes.
void writeFile(const QString& path, const uint8_t* data, size_t size);

// Bytes taken from the input in order; past its end, zeros (or, cycling, the input again: a
// device that answers the same way for ever).
class Input
{
public:
    Input(const uint8_t* data, size_t size, bool cycling = false) : data(data), size(size), cycling(cycling) {}
    uint8_t byte();
    uint32_t u32();
    bool exhausted() const { return !cycling && at >= size; }

private:
    const uint8_t* data;
    size_t size, at = 0;
    bool cycling;
};

} // namespace fuzz
