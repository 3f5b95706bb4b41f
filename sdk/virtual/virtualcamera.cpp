#include "virtualcamera.h"

#include "bandphysics.h"
#include "dualview.h"
#include "radiometry.h"
#include "vectorclones.h"
#include "world.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <random>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <pthread.h>

namespace tcsim {
namespace {

constexpr double kHousingRise = 6.0;         // K above ambient once warm
constexpr double kHousingTimeConstant = 900; // s
constexpr double kK7Offset = 4000.0, kK7Gain = 1.5e6;
// A closed shutter stays closed this long; meanwhile the camera repeats its last frame.
constexpr double kShutterSeconds = 0.4;
constexpr int kPresenceCheckMs = 250;

// Fast normal deviates: a fixed table indexed by xorshift generators. 4096 deviates are as
// normal as noise needs and stay in the cache between frames, where a table sixteen times the
// size was fetched again from memory for every frame.
class NoiseSource
{
public:
    explicit NoiseSource(uint32_t seed) : table(size_t(1) << kIndexBits)
    {
        std::mt19937 random(seed);
        std::normal_distribution<float> normal(0.0f, 1.0f);
        for (float& v : table)
            v = normal(random);
        // Exactly zero mean and unit deviation: 4096 draws alone are off by about 1 %, and
        // their mean would be a fixed offset of the camera's readings.
        double sum = 0, squares = 0;
        for (float v : table) {
            sum += v;
            squares += double(v) * v;
        }
        const double mean = sum / table.size(), deviation = std::sqrt(squares / table.size() - mean * mean);
        for (float& v : table)
            v = float((v - mean) / deviation);
        lanes[0] = seed | 1u;
        for (size_t j = 1; j < kLanes; ++j)
            lanes[j] = uint32_t(random()) | 1u;
    }
    float next() { return step(lanes[0]); }
    // n deviates, from eight generators side by side: one generator's every step waits on its
    // last, eight run at once (with AVX2 in one vector, their look-ups one gather).
    void fill(float* out, int n) { fillDeviates(lanes, table.data(), out, n); }

private:
    static constexpr size_t kLanes = 8;
    static constexpr int kIndexBits = 12;
    static float step(uint32_t& state, const float* table)
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return table[state >> (32 - kIndexBits)];
    }
    float step(uint32_t& state) const { return step(state, table.data()); }
    TC_VECTOR_CLONES static void fillDeviates(uint32_t* __restrict lanes, const float* __restrict table,
                                              float* __restrict out, int n)
    {
        // Each step of the xorshift over all lanes at once: loops the compiler makes vectors of.
        uint32_t state[kLanes];
        std::copy(lanes, lanes + kLanes, state);
        int i = 0;
        for (; i + int(kLanes) <= n; i += int(kLanes)) {
            for (size_t j = 0; j < kLanes; ++j)
                state[j] ^= state[j] << 13;
            for (size_t j = 0; j < kLanes; ++j)
                state[j] ^= state[j] >> 17;
            for (size_t j = 0; j < kLanes; ++j)
                state[j] ^= state[j] << 5;
            for (size_t j = 0; j < kLanes; ++j)
                out[i + int(j)] = table[state[j] >> (32 - kIndexBits)];
        }
        std::copy(state, state + kLanes, lanes);
        for (; i < n; ++i)
            out[i] = step(lanes[0], table);
    }

    uint32_t lanes[kLanes];
    std::vector<float> table;
};

// Rounded into 0..65535, without branches so that the loops writing frames vectorise (through
// a 32-bit integer: a float's conversion to 16 bits does not).
uint16_t roundedWord(float v)
{
    return uint16_t(int32_t(std::min(std::max(v + 0.5f, 0.0f), 65535.0f)));
}

// A frame's words: (clean + offset + sigma * deviate) * scale, rounded.
TC_VECTOR_CLONES void noisyWords(const float* __restrict clean, const float* __restrict deviate, float offset,
                                 float sigma, float scale, int n, uint16_t* __restrict out)
{
    for (int i = 0; i < n; ++i)
        out[i] = roundedWord((clean[i] + offset + sigma * deviate[i]) * scale);
}

// An in-frame camera's frame from its temperatures: the image half YUYV grey stretched between
// the frame's extremes, the temperature half kelvin * 64.
TC_VECTOR_CLONES void in160Frame(const float* __restrict celsius, int n, uint16_t* __restrict out)
{
    // The extremes in eight running lanes: a minimum over all pixels in one line does not
    // vectorise, eight side by side do.
    constexpr int kLanes = 8;
    float lowest[kLanes], highest[kLanes];
    std::fill_n(lowest, kLanes, celsius[0]);
    std::fill_n(highest, kLanes, celsius[0]);
    int i = 0;
    for (; i + kLanes <= n; i += kLanes)
        for (int j = 0; j < kLanes; ++j) {
            lowest[j] = std::min(lowest[j], celsius[i + j]);
            highest[j] = std::max(highest[j], celsius[i + j]);
        }
    for (; i < n; ++i) {
        lowest[0] = std::min(lowest[0], celsius[i]);
        highest[0] = std::max(highest[0], celsius[i]);
    }
    const float low = *std::min_element(lowest, lowest + kLanes);
    const float span = std::max(*std::max_element(highest, highest + kLanes) - low, 0.1f);
    auto* yuv = reinterpret_cast<uint8_t*>(out);
    uint16_t* kelvin64 = out + n;
    // Rounded by adding a half to values that are never negative.
    const float toGrey = 255.0f / span;
    for (i = 0; i < n; ++i) {
        yuv[2 * i] = uint8_t(int32_t((celsius[i] - low) * toGrey + 0.5f));
        yuv[2 * i + 1] = 128;
        const double k64 = (celsius[i] + tcsdk::kKelvinOffset) * 64.0 + 0.5;
        kelvin64[i] = uint16_t(int32_t(std::clamp(k64, 0.0, 65535.0)));
    }
}

uint32_t seedOf(const std::string& text)
{
    uint32_t hash = 2166136261u;
    for (unsigned char c : text)
        hash = (hash ^ c) * 16777619u;
    return hash;
}

// Raw value of the K7-22 for a black body at celsius: affine in the in-band radiance, with the
// gain its parameter lines state at 30 degC, where it was calibrated against its stated curve.
double k7Raw(double celsius)
{
    static const double gainOfRadiance =
        kK7Gain * tcsdk::radiance(303.15) / bandRadiance(303.15);
    return kK7Offset + gainOfRadiance * bandRadiance(celsius + tcsdk::kKelvinOffset);
}

// What a set looks like in the flash: the set itself, or for a camera with a fault the set with
// kt 1 % high, its NUC 1 K high, or the other range's NUC in its place.
CalibrationSet flashedSet(const std::string& fault, const CalibrationSet& set, const CalibrationSet& otherRange)
{
    CalibrationSet flashed = set;
    if (fault == "kt") {
        for (size_t i = 1; i < flashed.kt.size(); ++i)
            flashed.kt[i] = uint16_t(std::lround(flashed.kt[i] * 1.01));
    } else if (fault == "nuc") {
        for (uint16_t& kelvin16 : flashed.nuc)
            kelvin16 = uint16_t(std::min(65535, kelvin16 + 16));
    } else if (fault == "range") {
        flashed.nuc = otherRange.nuc;
    }
    return flashed;
}

} // namespace

// The visible camera's picture does not change: encoded once, sent with every frame.
std::vector<uint8_t> encodePhoto(const DeviceSpec& spec)
{
    const std::vector<uint8_t> rgb = renderPhoto(spec);
    cv::Mat bgr;
    cv::cvtColor(cv::Mat(spec.height(), spec.width(), CV_8UC3, const_cast<uint8_t*>(rgb.data())), bgr,
                 cv::COLOR_RGB2BGR);
    std::vector<uint8_t> jpeg;
    cv::imencode(".jpg", bgr, jpeg, {cv::IMWRITE_JPEG_QUALITY, 92});
    return jpeg;
}

struct VirtualCamera::Model
{
    // The visible camera of a dual-light camera looks at the scene its infrared module sees.
    Model(const DeviceSpec& spec)
        : scene(spec, spec.visiblePart ? 256 : spec.width(), spec.visiblePart ? 192 : spec.height()), noise(seedOf(spec.key())),
          lowSet(makeCalibrationSet(responseFor(spec.kind, 0), seedOf(spec.key() + "L"))),
          highSet(makeCalibrationSet(responseFor(spec.kind, 1), seedOf(spec.key() + "H"))),
          flash(buildFlash(spec.kind, flashedSet(spec.fault, lowSet, highSet), flashedSet(spec.fault, highSet, lowSet)))
    {
    }
    Scene scene;
    NoiseSource noise;
    std::vector<float> deviates; // one frame's
    const float* drawDeviates(int n)
    {
        deviates.resize(size_t(n));
        noise.fill(deviates.data(), n);
        return deviates.data();
    }
    CalibrationSet lowSet, highSet;
    std::vector<uint8_t> flash;
    bool dirty = true;
    // Y16: per-pixel terms of the set in use. raw = M / gain + offset.
    Response response{};
    std::vector<float> gain, offset, cleanRaw;
    // Kind 4: corrected temperature of the static scene.
    std::vector<float> cleanCelsius;
    std::vector<float> frameCelsius;
    std::vector<uint8_t> jpeg; // visible camera
    std::vector<uint16_t> lastFrame; // repeated while the shutter is closed
    int64_t lastIndex = -2;
};

VirtualCamera::VirtualCamera(const DeviceSpec& spec) : deviceSpec(spec)
{
    tpd.reflectedK = tpd.ambientK = int(std::lround(spec.ambient + tcsdk::kKelvinOffset));
    shutterAt(0.0);
}

VirtualCamera::~VirtualCamera()
{
    stopStream();
}

int VirtualCamera::streamWidth() const
{
    return deviceSpec.width();
}

int VirtualCamera::streamHeight() const
{
    if (deviceSpec.kind == 4)
        return 2 * deviceSpec.height();
    return deviceSpec.kind == 1 ? deviceSpec.height() + 4 : deviceSpec.height();
}

bool VirtualCamera::claim(const void* who)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (owner && owner != who)
        return false;
    owner = who;
    return true;
}

void VirtualCamera::unclaim(const void* who)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (owner != who)
        return;
    owner = nullptr;
    // A closed camera forgets what was not saved and needs a new preview request.
    std::copy(std::begin(savedShutter), std::end(savedShutter), shutter);
    y16Preview = false;
}

bool VirtualCamera::claimedBy(const void* who) const
{
    std::lock_guard<std::mutex> lock(mutex);
    return who && owner == who;
}

void VirtualCamera::prepare()
{
    if (model)
        return;
    model = std::make_unique<Model>(deviceSpec);
    if (deviceSpec.visiblePart)
        model->jpeg = encodePhoto(deviceSpec);
}

bool VirtualCamera::startStream(Sink sink)
{
    if (running.exchange(true))
        return false;
    {
        std::lock_guard<std::mutex> lock(mutex);
        prepare();
        // Cameras close the shutter once when they start streaming.
        shutterAt(timeOf(std::max<int64_t>(frameIndex.load() + 1, 0)));
    }
    stopRequested = false;
    thread = std::thread(&VirtualCamera::run, this, std::move(sink));
    return true;
}

void VirtualCamera::stopStream()
{
    if (!running.load())
        return;
    {
        std::lock_guard<std::mutex> lock(wakeMutex);
        stopRequested = true;
    }
    wake.notify_all();
    if (thread.joinable() && thread.get_id() != std::this_thread::get_id()) {
        thread.join();
        running = false;
    }
}

void VirtualCamera::run(Sink sink)
{
    pthread_setname_np(pthread_self(), "tcsim-stream");
    using Clock = std::chrono::steady_clock;
    const auto period = std::chrono::nanoseconds(1000000000LL / deviceSpec.fps);
    std::vector<uint16_t> frame(size_t(streamWidth()) * streamHeight());
    auto next = Clock::now();
    auto nextPresenceCheck = next;
    bool present = true;
    while (true) {
        {
            std::unique_lock<std::mutex> lock(wakeMutex);
            if (wake.wait_until(lock, next, [this] { return stopRequested.load(); }))
                break;
        }
        next += period;
        const auto now = Clock::now();
        if (now > next + 10 * period) // fell far behind (debugger, loaded machine): do not burst
            next = now + period;
        if (now >= nextPresenceCheck) {
            present = World::instance().present(deviceSpec.key());
            nextPresenceCheck = now + std::chrono::milliseconds(kPresenceCheckMs);
        }
        if (!present)
            continue; // unplugged: the stream stays open but nothing arrives
        {
            std::lock_guard<std::mutex> lock(mutex);
            if (deviceSpec.kind != 4 && deviceSpec.kind != 1 && !deviceSpec.visiblePart && !y16Preview)
                continue;
        }
        renderFrame(frameIndex.load() + 1, frame.data());
        sink(reinterpret_cast<const uint8_t*>(frame.data()), int(frame.size() * 2));
    }
}

void VirtualCamera::renderFrame(int64_t index, uint16_t* out)
{
    std::lock_guard<std::mutex> lock(mutex);
    prepare();
    Model& m = *model;
    const double t = timeOf(index);
    frameIndex = index;
    const size_t words = size_t(streamWidth()) * streamHeight();
    // Time runs on in sequence only; a frame asked for out of sequence (a test or benchmark
    // jumping ahead) is rendered afresh, without the shutter events it jumped over.
    const bool inSequence = index == m.lastIndex + 1 && m.lastFrame.size() == words;
    m.lastIndex = index;
    if (inSequence && applyAutoShutter(t) && !deviceSpec.visiblePart) {
        std::copy(m.lastFrame.begin(), m.lastFrame.end(), out);
        return;
    }
    if (deviceSpec.visiblePart)
        renderVisible(out);
    else if (deviceSpec.kind == 4)
        render160(t, out);
    else if (deviceSpec.kind == 1)
        renderK7(t, out);
    else
        renderY16(t, out);
    if (!deviceSpec.visiblePart)
        m.lastFrame.assign(out, out + words);
}

double VirtualCamera::housingKelvin(double t) const
{
    return deviceSpec.ambient + tcsdk::kKelvinOffset + kHousingRise * (1.0 - std::exp(-t / kHousingTimeConstant));
}

void VirtualCamera::shutterAt(double t)
{
    lastShutterTime = t;
    shutterHousing = housingKelvin(t);
}

bool VirtualCamera::applyAutoShutter(double t)
{
    // The camera's own settings: on, minimum interval (s), maximum interval (min, 0: none) and
    // the housing step that forces an event (K * 10, 0: none).
    const double since = t - lastShutterTime;
    const bool periodic = shutter[2] > 0 && since >= 60.0 * shutter[2];
    const bool drifted = shutter[3] > 0 && std::fabs(housingKelvin(t) - shutterHousing) >= shutter[3] / 10.0;
    if (shutter[0] == 1 && since >= shutter[1] && (periodic || drifted)) {
        shutterAt(t);
        shutterOpensAt = t + kShutterSeconds;
    }
    return t < shutterOpensAt;
}

void VirtualCamera::rebuildSignal()
{
    Model& m = *model;
    const int w = deviceSpec.width(), h = deviceSpec.height(), n = w * h;
    const double worldAmbient = deviceSpec.ambient + tcsdk::kKelvinOffset;
    if (deviceSpec.kind == 4) {
        m.cleanCelsius.resize(n);
        m.frameCelsius.resize(n);
        for (int i = 0; i < n; ++i) {
            const double s = correctedRadiance(m.scene.apparentBase()[i] + tcsdk::kKelvinOffset, worldAmbient, tpd);
            m.cleanCelsius[i] = float(bandTemperature(s) - tcsdk::kKelvinOffset);
        }
    } else if (deviceSpec.kind != 1) {
        const CalibrationSet& set = tpd.gain == 0 ? m.lowSet : m.highSet;
        m.response = responseFor(deviceSpec.kind, tpd.gain);
        m.gain.resize(n);
        m.offset.resize(n);
        m.cleanRaw.resize(n);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const double u = double(x) / (w - 1) - 0.5, v = double(y) / (h - 1) - 0.5;
                m.gain[size_t(y) * w + x] = float(shadingGain(u, v));
                m.offset[size_t(y) * w + x] = float(shadingOffset(u, v, set.phase));
            }
        for (int i = 0; i < n; ++i) {
            const double s = correctedRadiance(m.scene.apparentBase()[i] + tcsdk::kKelvinOffset, worldAmbient, tpd);
            m.cleanRaw[i] = float(m.response.countOf(s) / m.gain[i] + m.offset[i]);
        }
    }
    m.dirty = false;
}

void VirtualCamera::renderY16(double t, uint16_t* out)
{
    Model& m = *model;
    if (m.dirty)
        rebuildSignal();
    const int w = deviceSpec.width(), n = w * deviceSpec.height();
    const CalibrationSet& set = tpd.gain == 0 ? m.lowSet : m.highSet;
    const double worldAmbient = deviceSpec.ambient + tcsdk::kKelvinOffset;

    const double housing16 = housingKelvin(t) * 16.0;
    const double housingDrift = double(int16_t(set.header[1])) / 256.0 * (housing16 - set.header[0]);
    const double perKelvin = m.response.countsPerKelvin(30.0);
    const double offsetDrift =
        deviceSpec.driftPerMinute * (t - lastShutterTime) / 60.0 * perKelvin * (m.response.falling ? -1.0 : 1.0);
    const float shift = float(housingDrift + offsetDrift);
    const float sigma = float(deviceSpec.netd * perKelvin);

    auto word = [](float raw) { return roundedWord(raw * 4.0f); };
    noisyWords(m.cleanRaw.data(), m.drawDeviates(n), shift, sigma, 4.0f, n, out);

    const Scene::Window win = m.scene.dynamicWindow();
    for (int y = win.y0; y < win.y1; ++y) {
        for (int x = win.x0; x < win.x1; ++x) {
            const int i = y * w + x;
            const double s = correctedRadiance(m.scene.apparentAt(x, y, t) + tcsdk::kKelvinOffset, worldAmbient, tpd);
            const float raw = float(m.response.countOf(s) / m.gain[i] + m.offset[i]);
            out[i] = word(raw + shift + sigma * m.noise.next());
        }
    }
}

void VirtualCamera::render160(double t, uint16_t* out)
{
    Model& m = *model;
    if (m.dirty)
        rebuildSignal();
    const int w = deviceSpec.width(), h = deviceSpec.height(), n = w * h;
    const double worldAmbient = deviceSpec.ambient + tcsdk::kKelvinOffset;
    const float drift = float(deviceSpec.driftPerMinute * (t - lastShutterTime) / 60.0);
    const float sigma = float(deviceSpec.netd);
    float* celsius = m.frameCelsius.data();
    const float* deviate = m.drawDeviates(n);
    for (int i = 0; i < n; ++i)
        celsius[i] = m.cleanCelsius[i] + drift + sigma * deviate[i];
    const Scene::Window win = m.scene.dynamicWindow();
    for (int y = win.y0; y < win.y1; ++y)
        for (int x = win.x0; x < win.x1; ++x) {
            const double s = correctedRadiance(m.scene.apparentAt(x, y, t) + tcsdk::kKelvinOffset, worldAmbient, tpd);
            celsius[y * w + x] =
                float(bandTemperature(s) - tcsdk::kKelvinOffset) + drift + sigma * m.noise.next();
        }

    in160Frame(celsius, n, out);
}

void VirtualCamera::renderVisible(uint16_t* out)
{
    // MJPG: the compressed picture, then zeros to the end of the frame buffer. YUYV: grey.
    auto* bytes = reinterpret_cast<uint8_t*>(out);
    const size_t capacity = size_t(streamWidth()) * streamHeight() * 2;
    if (!deviceSpec.visibleMjpg) {
        std::memset(bytes, 128, capacity);
        return;
    }
    const std::vector<uint8_t>& jpeg = model->jpeg;
    const size_t length = std::min(jpeg.size(), capacity);
    std::memcpy(bytes, jpeg.data(), length);
    std::memset(bytes + length, 0, capacity - length);
}

void VirtualCamera::renderK7(double t, uint16_t* out)
{
    Model& m = *model;
    const int w = deviceSpec.width(), h = deviceSpec.height(), n = w * h;
    if (m.cleanRaw.empty()) {
        m.cleanRaw.resize(n);
        for (int i = 0; i < n; ++i)
            m.cleanRaw[i] = float(k7Raw(m.scene.apparentBase()[i]));
    }
    const double perKelvin = k7Raw(30.5) - k7Raw(29.5);
    const float drift = float(deviceSpec.driftPerMinute * (t - lastShutterTime) / 60.0 * perKelvin);
    const float sigma = float(deviceSpec.netd * perKelvin);
    auto word = roundedWord;
    noisyWords(m.cleanRaw.data(), m.drawDeviates(n), drift, sigma, 1.0f, n, out);
    const Scene::Window win = m.scene.dynamicWindow();
    for (int y = win.y0; y < win.y1; ++y)
        for (int x = win.x0; x < win.x1; ++x)
            out[y * w + x] = word(float(k7Raw(m.scene.apparentAt(x, y, t))) + drift + sigma * m.noise.next());

    uint16_t* lines = out + n;
    std::fill(lines, lines + 4 * w, uint16_t(0));
    const auto [lowest, highest] = std::minmax_element(out, out + n);
    lines[0] = 0x4B37;
    lines[1] = 2;
    lines[4] = *highest;
    lines[7] = *lowest;
    const float calibration[2] = {float(kK7Offset), float(kK7Gain)};
    std::memcpy(lines + 8, calibration, sizeof calibration);
    lines[12] = uint16_t(std::lround(housingKelvin(t) * 16.0));
    lines[13] = uint16_t(std::lround(tcsdk::kBand8to14.b));
    lines[14] = uint16_t(int16_t(std::lround(tcsdk::kBand8to14.f * 16.0)));
    char serial[16] = {};
    std::memcpy(serial, deviceSpec.serial.data(), std::min<size_t>(16, deviceSpec.serial.size()));
    std::memcpy(lines + w + 32, serial, 16);
}

int VirtualCamera::setTpd(int id, int value)
{
    std::lock_guard<std::mutex> lock(mutex);
    switch (id) {
    case 1:
    case 2:
        if (value < 173 || value > 1273)
            return -2;
        (id == 1 ? tpd.reflectedK : tpd.ambientK) = value;
        break;
    case 3:
        if (value < 1 || value > 128)
            return -2;
        tpd.emissivity128 = value;
        break;
    case 4:
        if (value != 0 && value != 1)
            return -2;
        tpd.environmentOn = value;
        break;
    case 5:
        if (value != 0 && value != 1)
            return -2;
        tpd.gain = value;
        break;
    default:
        return -1;
    }
    if (model)
        model->dirty = true;
    return 0;
}

int VirtualCamera::getTpd(int id, uint16_t* value)
{
    std::lock_guard<std::mutex> lock(mutex);
    const int values[] = {0, tpd.reflectedK, tpd.ambientK, tpd.emissivity128, tpd.environmentOn, tpd.gain};
    if (!value || id < 1 || id > 5)
        return -1;
    *value = uint16_t(values[id]);
    return 0;
}

int VirtualCamera::setShutterParam(int id, int value)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (id < 0 || id > 3 || value < 0 || (id == 0 && value > 1))
        return -1;
    shutter[id] = uint16_t(value);
    return 0;
}

int VirtualCamera::getShutterParam(int id, uint16_t* value)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (!value || id < 0 || id > 3)
        return -1;
    *value = shutter[id];
    return 0;
}

int VirtualCamera::saveConfig(int section)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (section != 12)
        return -1;
    std::copy(std::begin(shutter), std::end(shutter), savedShutter);
    return 0;
}

int VirtualCamera::readFlash(uint32_t address, uint32_t length, uint8_t* out)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (!out || length == 0 || uint64_t(address) + length > kFlashBytes)
        return -1;
    prepare();
    std::memcpy(out, model->flash.data() + address, length);
    return 0;
}

void VirtualCamera::offsetUpdate()
{
    std::lock_guard<std::mutex> lock(mutex);
    shutterAt(timeOf(std::max<int64_t>(frameIndex.load() + 1, 0)));
}

int VirtualCamera::startY16Preview()
{
    std::lock_guard<std::mutex> lock(mutex);
    if (deviceSpec.previewFailOnce && !previewFailed) {
        previewFailed = true;
        return -1;
    }
    y16Preview = true;
    return 0;
}

uint16_t VirtualCamera::housingWord()
{
    return uint16_t(std::lround(housingKelvin(timeOf(std::max<int64_t>(frameIndex.load(), 0))) * 16.0));
}

int VirtualCamera::cameraCommand(int value)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (value != 0x8020 && value != 0x8004 && value != 0x8000)
        return -1;
    commandLog.push_back(value);
    if (value == 0x8000)
        shutterAt(timeOf(std::max<int64_t>(frameIndex.load() + 1, 0)));
    return 0;
}

std::vector<int> VirtualCamera::commands()
{
    std::lock_guard<std::mutex> lock(mutex);
    return commandLog;
}

void VirtualCamera::truth(int64_t index, std::vector<float>& out)
{
    std::lock_guard<std::mutex> lock(mutex);
    prepare();
    out.resize(size_t(model->scene.width()) * model->scene.height());
    model->scene.render(timeOf(index), out.data());
}

void VirtualCamera::surfaceEmissivity(std::vector<float>& out)
{
    std::lock_guard<std::mutex> lock(mutex);
    prepare();
    out = model->scene.emissivity();
}

} // namespace tcsim
