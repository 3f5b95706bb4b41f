// The device half of one Y16 frame through our SDK, in the order the frame pipeline calls
// it, and the cost of rendering one virtual frame.
#include "libtccmd.h"
#include "libtcisp.h"
#include "libtcparse.h"
#include "libtcuvc.h"
#include "sdk/virtual/registry.h"
#include "sdk/virtual/tcsim.h"
#include "tcdenoise.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// Tables straight from the virtual camera's flash (both kinds' High set).
struct Tables
{
    uint16_t header[3];
    std::vector<uint16_t> kt, bt, nuc;
};

std::vector<uint16_t> flashWords(tccmd_handle_t* cmd, uint32_t address, uint32_t bytes)
{
    std::vector<uint8_t> raw(bytes);
    spi_read(cmd, address, bytes, raw.data());
    std::vector<uint16_t> words(bytes / 2);
    for (size_t i = 0; i < words.size(); ++i)
        words[i] = uint16_t(raw[2 * i] << 8 | raw[2 * i + 1]);
    return words;
}

void BM_DeviceHalfOfOneFrame(benchmark::State& state)
{
    const bool large = state.range(0) == 384;
    const int w = large ? 384 : 256, h = large ? 288 : 192, n = w * h;
    const std::string serial = large ? "BENCHL" : "BENCHM";
    tcsim::setRegistryText((large ? "VeskL serial=" : "Vesk_R_M serial=") + serial + "\n");
    tcuvc_handle_t* uvc = tcuvc_create_handle();
    tcuvc_camera_init(uvc);
    tcuvc_device_entry_t list[TCUVC_MAX_DEVICES];
    tcuvc_camera_list(uvc, list);
    tcuvc_camera_open_same(uvc, &list[0], 0);
    tccmd_handle_t* cmd = tccmd_create_handle(uvc, 1);
    const uint32_t base = large ? 0x13E000 : 0xD8000;
    Tables t;
    const std::vector<uint16_t> header = flashWords(cmd, large ? 0x144000 : 0xDE000, 48);
    std::memcpy(t.header, header.data(), 6);
    t.kt = flashWords(cmd, base, 2402);
    t.bt = flashWords(cmd, base + 0x1000, 2402);
    t.nuc = flashWords(cmd, base + 0x2000, 16384);
    const std::vector<uint16_t> frame = tcsim::renderFrame(serial, 0);

    std::vector<uint16_t> f(n), g(n), a(n), b(n), detail(n), ddeOut(n);
    std::vector<uint8_t> rgb(n * 3), image(n);
    const isp_image_size_t size{uint16_t(w), uint16_t(h), 2};
    ktbt_param_t ktbtParam{{t.header[0], t.header[1], t.header[2]}, 4800, t.kt.data(), 2402, t.bt.data(), 2402};
    nuc_t_param_t nucParam{t.nuc.data(), 16384};
    env_correct_param_t envParam{16384, 16384, 4800, 4800, t.nuc.data(), 8192};
    const detail_extract_param_t detailParam{3, 1.0f};
    const agc_param_t agcParam{2.5e-5f, 3.0e-5f, 1.0e-4f, 1.0e-4f, 150, 0.8f, 0.25f, 5};
    const dde_param_t ddeParam{0.0f, 96.0f, 48.0f, 0, 10, 30, 100};
    isp_handle_t ktbtH{}, envH{}, nucH{}, detailH{}, agcH{}, ddeH{};
    tcdenoise::init(h, w, 0.5f);
    tcdenoise::setParams("sigma", 0.5f);
    tcdenoise::setParams("sigma_s", 7.0f);
    tcdenoise::setParams("gamma_r", 500.0f);
    tcdenoise::setParams("gamma_f", 100.0f);
    detail_extract_init(&detailH, 0, &detailParam, &size, f.data(), detail.data(), 0, 0);
    agc_init(&agcH, 1, &agcParam, &size, f.data(), g.data(), 0, 0);
    dde_init(&ddeH, 0, &ddeParam, &size, g.data(), ddeOut.data(), 0, 0);
    ktbt_init(&ktbtH, 0, &ktbtParam, &size, f.data(), a.data(), 0, 0);
    nuc_t_init(&nucH, 0, &nucParam, &size, a.data(), b.data(), 0, 0);
    env_correct_init(&envH, 0, &envParam, &size, a.data(), b.data(), 0, 0);

    int frameNumber = 0;
    for (auto _ : state) {
        std::memcpy(f.data(), frame.data(), size_t(n) * 2);
        y16_to_y14(f.data(), n, f.data());
        ktbt_process(&ktbtH, 0, frameNumber++);
        env_correct_process(&envH, 0);
        std::memcpy(a.data(), b.data(), size_t(n) * 2);
        nuc_t_process(&nucH, 0);
        if (!large)
            for (int i = 0; i < n; ++i)
                f[i] = uint16_t(16383 - f[i]);
        detail_extract_process(&detailH, 0);
        tcdenoise::denoise(f.data(), g.data());
        std::memcpy(a.data(), b.data(), size_t(n) * 2);
        agc_process(&agcH, 0);
        dde_process(&ddeH, 0);
        y14_to_rgb(ddeOut.data(), n, rgb.data());
        for (int i = 0; i < n; ++i)
            image[i] = rgb[3 * i];
        benchmark::DoNotOptimize(image.data());
        benchmark::DoNotOptimize(b.data());
    }
    ktbt_destory(&ktbtH);
    env_correct_destory(&envH);
    nuc_t_destory(&nucH);
    detail_extract_destory(&detailH);
    agc_destory(&agcH);
    dde_destory(&ddeH);
    tcdenoise::release();
    tccmd_delete_handle(cmd);
    tcuvc_delete_handle(uvc);
    tcsim::clearRegistryText();
}
BENCHMARK(BM_DeviceHalfOfOneFrame)->Arg(256)->Arg(384)->Unit(benchmark::kMillisecond);

void BM_VirtualFrame(benchmark::State& state)
{
    const int kind = int(state.range(0));
    const char* line = kind == 2 ? "VeskL serial=RENDER\n" : (kind == 4 ? "Vesk_R_S serial=RENDER\n" : "K7-22 serial=RENDER\n");
    tcsim::setRegistryText(line);
    int64_t index = 0;
    tcsim::renderFrame("RENDER", index++); // builds the scene and tables once
    for (auto _ : state)
        benchmark::DoNotOptimize(tcsim::renderFrame("RENDER", index++));
    tcsim::clearRegistryText();
}
BENCHMARK(BM_VirtualFrame)->Arg(2)->Arg(4)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
