#include "capture/transmittance.h"

#include "libtctemp.h"

namespace transmittance {

static_assert(kTableBytes == TCTEMP_TAU_TABLE_BYTES, "the library's table size");

bool lookUp(const uint8_t* table, std::size_t bytes, float humidity, float ambient, float distance, uint16_t& tau)
{
    uint16_t value = tau;
    if (!table || bytes < kTableBytes || read_tau(table, humidity, ambient, distance, &value) != 0)
        return false;
    tau = value;
    return true;
}

} // namespace transmittance
