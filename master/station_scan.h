#pragma once

#include <cstdint>
#include <vector>

#include "master/line_master.h"

namespace tc24::master {

// The stations a scan covers when the operator names none: every address a module can be
// given, the same in the window and in tc24-cli.
inline constexpr int kScanFirstStation = 1;
inline constexpr int kScanLastStation = 249;

enum class StationAnswer {
    Silent,   // nothing came
    Found,    // a CRC-valid frame from the station asked: a reply or an exception (busy too)
    Garbled,  // a wrong CRC, or bytes that formed no frame: something answered, unreadably
    Lost,     // the port went away
};

// The bus scan's loop: a one-register read (function 3, register 0, count 1) to each station
// of a range in turn, through a LineMaster. A silent station costs one time-out and the scan
// goes on at once; after a garbled answer the master's guard passes first.
class StationScan {
public:
    StationScan(int first, int last, int attempts = 1);

    bool finished() const { return next_ > last_; }
    // The station asked next (while not finished).
    int station() const { return next_; }
    Transaction transaction() const;
    // Judges the result of the current station's transaction and moves on to the next.
    StationAnswer record(const Result& result);

    int first() const { return first_; }
    int last() const { return last_; }
    int total() const { return last_ - first_ + 1; }
    int done() const { return next_ - first_; }
    const std::vector<std::uint8_t>& found() const { return found_; }
    const std::vector<std::uint8_t>& garbled() const { return garbled_; }

private:
    int first_;
    int last_;
    int attempts_;
    int next_;
    std::vector<std::uint8_t> found_;
    std::vector<std::uint8_t> garbled_;
};

// How a result answers a scan's question "is a module there?".
StationAnswer stationAnswer(const Result& result);

}  // namespace tc24::master
