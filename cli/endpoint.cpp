#include "cli/endpoint.h"

#include <QString>
#include <QUrl>
#include <algorithm>

#include "app/settings/port_device.h"

namespace tc24::cli {

namespace {

constexpr std::string_view kTcpScheme = "tcp://";
constexpr int kHighestComNumber = 255;

// The number of "COMn" (any case); nullopt for other names.
std::optional<int> comNumber(std::string_view text) {
    if (text.size() < 4 || QString::fromUtf8(text.substr(0, 3)).toUpper() != "COM") {
        return std::nullopt;
    }
    int number = 0;
    for (const char c : text.substr(3)) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        number = std::min(number * 10 + (c - '0'), 100000);
    }
    return number;
}

}  // namespace

std::optional<Endpoint> resolvePort(std::string_view text, const SettingsLocation& settings,
                                    std::string& error) {
    Endpoint endpoint;
    if (text.empty()) {
        error = "--port is empty";
        return std::nullopt;
    }
    if (text.substr(0, kTcpScheme.size()) == kTcpScheme) {
        const QUrl url(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())),
                       QUrl::StrictMode);
        const int port = url.port();
        if (!url.isValid() || url.host().isEmpty() || port < 1 || !url.path().isEmpty() ||
            !url.userInfo().isEmpty() || url.hasQuery() || url.hasFragment()) {
            error = "--port " + std::string(text) + ": expected tcp://HOST:PORT (port 1-65535)";
            return std::nullopt;
        }
        endpoint.kind = Endpoint::Kind::Tcp;
        endpoint.host = url.host().toStdString();
        endpoint.tcpPort = port;
        endpoint.shownName = std::string(text);
        return endpoint;
    }
    if (const auto number = comNumber(text)) {
        if (*number < 1 || *number > kHighestComNumber) {
            error = "--port " + std::string(text) + ": port numbers run from COM1 to COM" +
                    std::to_string(kHighestComNumber);
            return std::nullopt;
        }
        endpoint.device = deviceForPort(settings, *number);
        endpoint.shownName = "COM" + std::to_string(*number) + " (" + endpoint.device + ")";
        return endpoint;
    }
    endpoint.device = std::string(text);
    endpoint.shownName = endpoint.device;
    return endpoint;
}

}  // namespace tc24::cli
