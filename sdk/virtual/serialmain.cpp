// tcsim_serial: the serial side of a virtual dual-light camera, for the program run by hand.
//   tcsim_serial <link path>
// Creates a pseudo-terminal, links it at <link path> and answers the calibration link until
// ended (SIGTERM or SIGINT); the link is removed at the end. Give the path to the program in
// ORVIK_SERIAL_PORTS.
#include "serialresponder.h"

#include <csignal>
#include <cstdio>

#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <link path>\n", argv[0]);
        return 2;
    }
    sigset_t ending;
    sigemptyset(&ending);
    sigaddset(&ending, SIGTERM);
    sigaddset(&ending, SIGINT);
    sigaddset(&ending, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &ending, nullptr); // before the responder's thread starts
    tcsim::SerialResponder responder(argv[1]);
    if (!responder.ok())
        return 1;
    std::printf("tcsim_serial: dual-light camera's serial link at %s\n", responder.path().c_str());
    std::fflush(stdout);
    int signal = 0;
    sigwait(&ending, &signal);
    return 0;
}
