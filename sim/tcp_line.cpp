#include "sim/tcp_line.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tc24::sim {

namespace {

std::string systemError(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

void setNonBlocking(int fd) {
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
}

}  // namespace

bool TcpLine::open(int port, std::string& error) {
    close();
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener_ < 0) {
        error = systemError("socket");
        return false;
    }
    const int yes = 1;
    ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    if (::bind(listener_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_, 4) != 0) {
        error = systemError(("127.0.0.1:" + std::to_string(port)).c_str());
        close();
        return false;
    }
    socklen_t length = sizeof address;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    setNonBlocking(listener_);
    return true;
}

void TcpLine::close() {
    dropClient();
    if (listener_ >= 0) {
        ::close(listener_);
        listener_ = -1;
    }
}

bool TcpLine::acceptClient() {
    const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (client < 0) {
        return false;
    }
    dropClient();
    client_ = client;
    // Replies leave in the bursts the simulator times; none should wait for more.
    const int yes = 1;
    ::setsockopt(client_, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    return true;
}

void TcpLine::dropClient() {
    if (client_ >= 0) {
        ::close(client_);
        client_ = -1;
    }
}

}  // namespace tc24::sim
