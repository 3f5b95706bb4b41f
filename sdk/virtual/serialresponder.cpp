#include "serialresponder.h"

#include "dualview.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace tcsim {

std::vector<uint8_t> SerialResponder::cameraRecord()
{
    const auto record = tcsdk::encodeDualRecord(dualGeometry());
    return {record.begin(), record.end()};
}

SerialResponder::SerialResponder(const std::string& link) : SerialResponder(link, Behaviour()) {}

SerialResponder::SerialResponder(const std::string& link, Behaviour how) : behaviour(std::move(how)), linkPath(link)
{
    if (behaviour.record.empty())
        behaviour.record = cameraRecord();
    master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0 || !ptsname(master)) {
        std::fprintf(stderr, "tcsim: no pseudo-terminal: %s\n", std::strerror(errno));
        if (master >= 0)
            ::close(master);
        master = -1;
        return;
    }
    portPath = ptsname(master);
    // Raw bytes both ways, as a USB serial device carries them.
    termios settings{};
    if (tcgetattr(master, &settings) == 0) {
        cfmakeraw(&settings);
        tcsetattr(master, TCSANOW, &settings);
    }
    if (!linkPath.empty()) {
        ::unlink(linkPath.c_str());
        if (::symlink(portPath.c_str(), linkPath.c_str()) == 0)
            portPath = linkPath;
        else
            linkPath.clear();
    }
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0) {
        std::fprintf(stderr, "tcsim: no wake-up pipe: %s\n", std::strerror(errno));
        ::close(master);
        master = -1; // not ok(): nothing to stop later
        return;
    }
    wakeRead = pipeEnds[0];
    wakeWrite = pipeEnds[1];
    thread = std::thread(&SerialResponder::run, this);
}

SerialResponder::~SerialResponder()
{
    if (thread.joinable()) {
        const char stop = 's';
        if (::write(wakeWrite, &stop, 1) < 0)
            std::perror("tcsim: serial responder");
        thread.join();
    }
    for (int fd : {master.load(), wakeRead, wakeWrite})
        if (fd >= 0)
            ::close(fd);
    if (!linkPath.empty())
        ::unlink(linkPath.c_str());
}

bool SerialResponder::writeAll(const uint8_t* data, size_t length)
{
    while (length > 0) {
        const ssize_t written = ::write(master, data, length);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        length -= size_t(written);
    }
    return true;
}

void SerialResponder::answer(uint8_t command)
{
    std::vector<uint8_t> reply = {'D', 'L', command, 0, 0, 0};
    if (command == 'A') {
        if (!behaviour.answerHandshake)
            return;
        reply.push_back('y');
    } else {
        reply.insert(reply.end(), behaviour.record.begin(), behaviour.record.end());
    }
    const size_t length = reply.size() - 6;
    reply[4] = uint8_t(length >> 8);
    reply[5] = uint8_t(length & 0xFF);
    if (command == 'R' && behaviour.vanishAfter >= 0 && size_t(behaviour.vanishAfter) < reply.size()) {
        writeAll(reply.data(), size_t(behaviour.vanishAfter));
        tcdrain(master);
        // Unplugged: the device node goes away under the open port.
        vanished = true;
        ::close(master.exchange(-1));
        return;
    }
    if (writeAll(reply.data(), reply.size()))
        ++answered;
}

void SerialResponder::run()
{
    std::vector<uint8_t> pending;
    while (!vanished) {
        pollfd fds[2] = {{master, POLLIN, 0}, {wakeRead, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents)
            return;
        if (fds[0].revents & POLLHUP) {
            // Nobody has the terminal open: wait a little rather than spin.
            ::poll(fds + 1, 1, 20);
            if (fds[1].revents)
                return;
            continue;
        }
        uint8_t buffer[256];
        const ssize_t got = ::read(master, buffer, sizeof buffer);
        if (got <= 0)
            continue;
        pending.insert(pending.end(), buffer, buffer + got);
        // Requests are six bytes: 'D' 'L' command 0 0 0. Anything else is skipped byte by byte.
        while (pending.size() >= 6) {
            if (pending[0] == 'D' && pending[1] == 'L' && (pending[2] == 'A' || pending[2] == 'R') && pending[3] == 0 &&
                pending[4] == 0 && pending[5] == 0) {
                const uint8_t command = pending[2];
                pending.erase(pending.begin(), pending.begin() + 6);
                answer(command);
                if (vanished)
                    return;
            } else {
                pending.erase(pending.begin());
            }
        }
    }
}

} // namespace tcsim
