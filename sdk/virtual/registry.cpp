#include "registry.h"

#include "catalogue.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <set>
#include <sstream>
#include <tuple>

namespace tcsim {
namespace {

std::mutex overrideMutex;
bool hasOverride = false;
std::string overrideText;

void reportOnce(const std::string& message)
{
    static std::mutex mutex;
    static std::set<std::string> reported;
    std::lock_guard<std::mutex> lock(mutex);
    if (reported.insert(message).second)
        std::fprintf(stderr, "tcsim: %s\n", message.c_str());
}

bool parseNumber(const std::string& text, double& value)
{
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return !text.empty() && end && *end == '\0';
}

bool parseInteger(const std::string& text, long& value)
{
    char* end = nullptr;
    value = std::strtol(text.c_str(), &end, 0);
    return !text.empty() && end && *end == '\0';
}

std::string defaultSerial(const std::string& name, int line)
{
    std::string serial;
    for (char c : name)
        if (std::isalnum(static_cast<unsigned char>(c)) && serial.size() < 8)
            serial += char(std::toupper(static_cast<unsigned char>(c)));
    char number[8];
    std::snprintf(number, sizeof number, "%04d", line % 10000);
    return serial + number;
}

// Applies one key=value; false when the key is unknown or the value unusable.
bool applyOption(DeviceSpec& spec, const std::string& key, const std::string& value)
{
    double number = 0;
    long integer = 0;
    if (key == "serial" && value.size() < 64) // empty: a camera without a serial number
        spec.serial = value;
    else if (key == "product" && !value.empty())
        spec.product = value;
    else if (key == "scene" &&
             (value == "board" || value == "compare" || value == "golden" || value == "uniform" || value == "hotspot"))
        spec.scene = value;
    else if (key == "single" && (value == "0" || value == "1"))
        spec.single = value == "1";
    else if (key == "shiftx" && parseNumber(value, number) && std::fabs(number) <= 100)
        spec.shiftX = number;
    else if (key == "shifty" && parseNumber(value, number) && std::fabs(number) <= 100)
        spec.shiftY = number;
    else if (key == "turn" && parseNumber(value, number) && std::fabs(number) <= 30)
        spec.turn = number;
    else if (key == "faultpart" && parseInteger(value, integer) && integer >= -1 && integer < 64)
        spec.faultPart = int(integer);
    else if (key == "faultrise" && parseNumber(value, number) && std::fabs(number) <= 200)
        spec.faultRise = number;
    else if (key == "faultmissing" && (value == "0" || value == "1"))
        spec.faultMissing = value == "1";
    else if (key == "layout" && parseInteger(value, integer) && integer >= 0 && integer <= 0x7FFFFFFF)
        spec.layout = uint32_t(integer);
    else if (key == "fps" && parseInteger(value, integer) && integer >= 1 && integer <= 200)
        spec.fps = int(integer);
    else if (key == "ambient" && parseNumber(value, number) && number > -40 && number < 80)
        spec.ambient = number;
    else if (key == "netd" && parseNumber(value, number) && number >= 0 && number <= 5)
        spec.netd = number;
    else if (key == "drift" && parseNumber(value, number) && number >= 0 && number <= 1000)
        spec.driftPerMinute = number;
    else if (key == "hot" && parseNumber(value, number) && number > -40 && number < 600)
        spec.hot = number;
    else if (key == "hotafter" && parseNumber(value, number) && number >= 0 && number <= 86400)
        spec.hotAfter = number;
    else if (key == "hotx" && parseNumber(value, number) && number >= 0 && number <= 1)
        spec.hotX = number;
    else if (key == "hoty" && parseNumber(value, number) && number >= 0 && number <= 1)
        spec.hotY = number;
    else if (key == "bench" && (value == "0" || value == "1"))
        spec.bench = value == "1";
    else if (key == "materials" && (value == "0" || value == "1"))
        spec.materials = value == "1";
    else if (key == "background" && parseNumber(value, number) && number > -60 && number < 200)
        spec.background = number;
    else if (key == "fault" && (value == "kt" || value == "nuc" || value == "range"))
        spec.fault = value;
    else if (key == "vlformat" && (value == "MJPG" || value == "YUYV"))
        spec.visibleMjpg = value == "MJPG";
    else if (key == "preview_fail" && (value == "0" || value == "1"))
        spec.previewFailOnce = value == "1";
    else if (key == "z8r" && (value == "0" || value == "1"))
        spec.z8r = value == "1";
    else if (key == "pid" && parseInteger(value, integer) && integer >= 0 && integer <= 0xFFFF)
        spec.productId = uint32_t(integer);
    else if (key == "vid" && parseInteger(value, integer) && integer >= 0 && integer <= 0xFFFF)
        spec.vendorId = uint32_t(integer);
    else if (key == "name" && !value.empty() && value.size() < 64)
        spec.uvcName = value;
    else
        return false;
    return true;
}

} // namespace

DeviceSpec DeviceSpec::visibleCompanion() const
{
    DeviceSpec visible = *this;
    visible.visiblePart = true;
    visible.vendorId = 0x1BCF;
    visible.productId = 0x28C4;
    visible.uvcName = "USB2.0 Camera";
    return visible;
}

int DeviceSpec::width() const
{
    if (visiblePart)
        return 800;
    return kind == 2 ? 384 : (kind == 4 ? 160 : 256);
}

int DeviceSpec::height() const
{
    if (visiblePart)
        return 600;
    return kind == 2 ? 288 : (kind == 4 ? 120 : 192);
}

std::string DeviceSpec::key() const
{
    // Cameras without a serial number are told apart by their line.
    return cameraName + '#' + (serial.empty() ? "line" + std::to_string(line) : serial) + (visiblePart ? "#visible" : "");
}

bool DeviceSpec::sameOptions(const DeviceSpec& o) const
{
    auto fields = [](const DeviceSpec& d) {
        return std::tie(d.cameraName, d.kind, d.visiblePart, d.visibleMjpg, d.bench, d.materials, d.fault, d.product,
                        d.serial, d.scene, d.layout, d.fps, d.ambient, d.netd, d.driftPerMinute, d.hot, d.hotX,
                        d.hotY, d.hotAfter, d.previewFailOnce, d.z8r, d.productId, d.vendorId, d.uvcName, d.single,
                        d.shiftX, d.shiftY, d.turn, d.faultPart, d.faultRise, d.faultMissing);
    };
    // NaN, an unset background, counts as equal to itself.
    const bool sameBackground =
        background == o.background || (std::isnan(background) && std::isnan(o.background));
    return sameBackground && fields(*this) == fields(o);
}

std::vector<DeviceSpec> parseRegistry(const std::string& text)
{
    std::vector<DeviceSpec> devices;
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        const auto hash = line.find('#');
        if (hash != std::string::npos)
            line.erase(hash);
        std::istringstream words(line);
        std::string name;
        if (!(words >> name))
            continue;
        const CameraModel* model = findModel(name);
        if (!model) {
            reportOnce("registry line " + std::to_string(number) + ": unknown camera \"" + name + "\", skipped");
            continue;
        }
        DeviceSpec spec;
        spec.cameraName = name;
        spec.kind = model->kind;
        spec.product = defaultProduct(name);
        spec.line = number;
        spec.serial = defaultSerial(name, number);
        if (spec.kind == 5)
            spec.productId = 0x5830;
        std::string option;
        while (words >> option) {
            const auto equals = option.find('=');
            if (equals == std::string::npos ||
                !applyOption(spec, option.substr(0, equals), option.substr(equals + 1)))
                reportOnce("registry line " + std::to_string(number) + ": bad option \"" + option + "\", ignored");
        }
        devices.push_back(spec);
        if (spec.kind == 5)
            devices.push_back(spec.visibleCompanion());
    }
    return devices;
}

std::vector<DeviceSpec> readRegistry()
{
    {
        std::lock_guard<std::mutex> lock(overrideMutex);
        if (hasOverride)
            return parseRegistry(overrideText);
    }
    const char* path = std::getenv("TCSIM_DEVICES");
    if (!path || !*path)
        return {};
    std::ifstream file(path);
    if (!file)
        return {};
    std::stringstream text;
    text << file.rdbuf();
    return parseRegistry(text.str());
}

void setRegistryText(const std::string& text)
{
    std::lock_guard<std::mutex> lock(overrideMutex);
    hasOverride = true;
    overrideText = text;
}

void clearRegistryText()
{
    std::lock_guard<std::mutex> lock(overrideMutex);
    hasOverride = false;
    overrideText.clear();
}

} // namespace tcsim
