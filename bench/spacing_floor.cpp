// The machine's own floor for request spacing: the smallest master there can be writes the
// same 24-register request every INTERVAL_MS at absolute times (clock_nanosleep) and only
// drains what comes back. The simulator's timestamps of these requests show how late this
// machine wakes a sleeping process, with no event loop, window or decoding involved.
//
//   spacing_floor DEVICE BAUD INTERVAL_MS SECONDS

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "sim/pty_line.h"

int main(int argc, char** argv) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: spacing_floor DEVICE BAUD INTERVAL_MS SECONDS\n");
        return 2;
    }
    const speed_t speed = tc24::sim::speedConstant(std::atoi(argv[2]));
    const long interval = std::atol(argv[3]);
    const long seconds = std::atol(argv[4]);
    if (speed == B0 || interval <= 0 || seconds <= 0) {
        std::fprintf(stderr, "spacing_floor: a standard baud rate; positive times\n");
        return 2;
    }
    const int fd = ::open(argv[1], O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        std::perror(argv[1]);
        return 1;
    }
    termios line{};
    ::tcgetattr(fd, &line);
    ::cfmakeraw(&line);
    ::cfsetspeed(&line, speed);
    ::tcsetattr(fd, TCSANOW, &line);

    // Slave 1, read holding registers 0 to 23, CRC.
    const std::array<unsigned char, 8> request{0x01, 0x03, 0x00, 0x00, 0x00, 0x18, 0x45, 0xC0};
    timespec next{};
    ::clock_gettime(CLOCK_MONOTONIC, &next);
    std::array<char, 256> drained{};
    for (long tick = 0; tick < seconds * 1000 / interval; ++tick) {
        next.tv_nsec += interval * 1'000'000;
        next.tv_sec += next.tv_nsec / 1'000'000'000;
        next.tv_nsec %= 1'000'000'000;
        ::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
        while (::read(fd, drained.data(), drained.size()) > 0) {
        }
        if (::write(fd, request.data(), request.size()) != static_cast<ssize_t>(request.size())) {
            std::perror("write");
            return 1;
        }
    }
    ::close(fd);
    return 0;
}
