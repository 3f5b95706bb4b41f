#include "fakev4l2.h"

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace tcfake {
namespace fs = std::filesystem;
namespace {

const char* const kController = "devices/pci0000:00/0000:00:14.0/usb1";

int portOf(const FakeCamera& camera)
{
    if (camera.usbPort > 0)
        return camera.usbPort;
    const size_t digits = camera.node.find_first_of("0123456789");
    return (digits == std::string::npos ? 0 : std::atoi(camera.node.c_str() + digits)) + 1;
}

// Written aside and renamed: another process of the same fake may read it meanwhile.
void writeText(const fs::path& path, const std::string& text)
{
    const fs::path aside = path.string() + ".new" + std::to_string(::getpid());
    {
        std::ofstream out(aside, std::ios::trunc);
        out << text << '\n';
    }
    std::error_code ignored;
    fs::rename(aside, path, ignored);
}

void link(const fs::path& target, const fs::path& at)
{
    std::error_code ignored;
    fs::create_directory_symlink(target, at, ignored);
}

char hexDigit(int value)
{
    return "0123456789abcdef"[value & 15];
}

std::string hex4(uint16_t value)
{
    return {hexDigit(value >> 12), hexDigit(value >> 8), hexDigit(value >> 4), hexDigit(value)};
}

} // namespace

void writeSysfsEntries(const std::string& root, const FakeCamera& camera)
{
    const std::string port = "1-" + std::to_string(portOf(camera));
    const fs::path usb = fs::path(root) / kController / port;
    const fs::path interface = usb / (port + ":1.0");
    std::error_code ignored;
    fs::create_directories(interface, ignored);
    writeText(usb / "idVendor", hex4(camera.vendorId));
    writeText(usb / "idProduct", hex4(camera.productId));
    // The bus numbers each device it enumerates anew, as a plug does.
    static std::atomic<int> plugs{0};
    writeText(usb / "devnum", std::to_string(++plugs + 1));
    writeText(usb / "product", camera.product);
    if (!camera.serial.empty())
        writeText(usb / "serial", camera.serial);
    writeText(interface / "bInterfaceClass", "0e");

    fs::create_directories(fs::path(root) / "class/video4linux", ignored);
    fs::create_directories(fs::path(root) / "bus/usb/devices", ignored);
    link(fs::path("../../..") / kController / port, fs::path(root) / "bus/usb/devices" / port);
    std::vector<std::string> nodes{camera.node};
    if (camera.metadataNode)
        nodes.push_back(camera.metadataNodeName());
    for (size_t index = 0; index < nodes.size(); ++index) {
        const fs::path node = interface / "video4linux" / nodes[index];
        fs::create_directories(node, ignored);
        writeText(node / "name", camera.product);
        writeText(node / "index", std::to_string(index));
        writeText(node / "dev", "81:" + nodes[index].substr(5));
        link("../..", node / "device");
        link(fs::path("../..") / kController / port / (port + ":1.0") / "video4linux" / nodes[index],
             fs::path(root) / "class/video4linux" / nodes[index]);
    }
}

void removeSysfsEntries(const std::string& root, const FakeCamera& camera)
{
    const std::string port = "1-" + std::to_string(portOf(camera));
    std::error_code ignored;
    fs::remove(fs::path(root) / "class/video4linux" / camera.node, ignored);
    if (camera.metadataNode)
        fs::remove(fs::path(root) / "class/video4linux" / camera.metadataNodeName(), ignored);
    fs::remove(fs::path(root) / "bus/usb/devices" / port, ignored);
    fs::remove_all(fs::path(root) / kController / port, ignored);
}

} // namespace tcfake
