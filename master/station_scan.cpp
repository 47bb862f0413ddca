#include "master/station_scan.h"

#include "protocol/requests.h"

namespace tc24::master {

StationScan::StationScan(int first, int last, int attempts)
    : first_(first), last_(last), attempts_(attempts), next_(first) {}

Transaction StationScan::transaction() const {
    Transaction transaction = transactionFor(
        protocol::registerReadRequest(static_cast<std::uint8_t>(next_), 0, 1), attempts_);
    // Any CRC-valid answer, busy included, means a module is there: nothing to repeat.
    transaction.retryBusy = false;
    transaction.guardAfterSilence = false;
    return transaction;
}

StationAnswer stationAnswer(const Result& result) {
    switch (result.ending) {
        case Ending::Valid:
        case Ending::Exception:
        case Ending::Mismatch:
            return StationAnswer::Found;
        case Ending::CrcError:
        case Ending::Incomplete:
        case Ending::LineBusy:  // the line never fell silent: something is on it
            return StationAnswer::Garbled;
        case Ending::PortLost:
            return StationAnswer::Lost;
        case Ending::NoReply:
            break;
    }
    return StationAnswer::Silent;
}

StationAnswer StationScan::record(const Result& result) {
    const StationAnswer answer = stationAnswer(result);
    const auto station = static_cast<std::uint8_t>(next_);
    if (answer == StationAnswer::Found) {
        found_.push_back(station);
    } else if (answer == StationAnswer::Garbled) {
        garbled_.push_back(station);
    }
    if (answer != StationAnswer::Lost) {
        ++next_;
    }
    return answer;
}

}  // namespace tc24::master
