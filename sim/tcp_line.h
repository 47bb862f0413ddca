#pragma once

#include <string>

namespace tc24::sim {

// The modules behind a serial device server: a TCP listener on the loopback interface whose
// client exchanges RTU frames unchanged, as with a server in "raw" or "TCP server" mode. One
// client at a time; a new connection replaces the earlier one.
class TcpLine {
public:
    TcpLine() = default;
    TcpLine(const TcpLine&) = delete;
    TcpLine& operator=(const TcpLine&) = delete;
    ~TcpLine() { close(); }

    // Listens on 127.0.0.1:port (0: a free port, see port()). On failure returns false and
    // describes the reason in error.
    bool open(int port, std::string& error);
    // Stops listening and drops the client.
    void close();

    bool isOpen() const { return listener_ >= 0; }
    int listenerFd() const { return listener_; }
    int clientFd() const { return client_; }
    int port() const { return port_; }

    // Takes a waiting connection; false when there was none.
    bool acceptClient();
    void dropClient();

private:
    int listener_ = -1;
    int client_ = -1;
    int port_ = 0;
};

}  // namespace tc24::sim
