// tcsim_render: writes the true temperature field of a virtual camera's scene, so that tools
// outside the program (the super-resolution training) learn from the scenes the cameras show.
//   tcsim_render <width> <height> <seconds> <output file> "<camera> [key=value ...]"
// The camera line is a registry line; the field is width x height little-endian float32
// degC, rows top to bottom.
#include "registry.h"
#include "scene.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv)
{
    if (argc != 6) {
        std::fprintf(stderr, "usage: %s <width> <height> <seconds> <output file> \"<camera> [key=value ...]\"\n", argv[0]);
        return 2;
    }
    const int width = std::atoi(argv[1]), height = std::atoi(argv[2]);
    const double seconds = std::max(0.0, std::atof(argv[3])); // time since the camera was plugged in
    const std::vector<tcsim::DeviceSpec> specs = tcsim::parseRegistry(argv[5]);
    if (width < 8 || height < 8 || width > 8192 || height > 8192 || specs.size() != 1) {
        std::fprintf(stderr, "tcsim_render: need a size of 8..8192 and exactly one valid camera line\n");
        return 2;
    }
    const tcsim::Scene scene(specs.front(), width, height);
    std::vector<float> field(size_t(width) * height);
    scene.render(seconds, field.data());
    FILE* out = std::fopen(argv[4], "wb");
    bool written = out && std::fwrite(field.data(), sizeof(float), field.size(), out) == field.size();
    if (out && std::fclose(out) != 0)
        written = false;
    if (!written) {
        std::fprintf(stderr, "tcsim_render: cannot write %s\n", argv[4]);
        return 1;
    }
    return 0;
}
