#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tc24 {

// Reads a sequential text file as items, the way comm.set and serial-number lists are read:
// items are separated by commas or line ends (CR LF, lone LF or lone CR); blanks before an
// item are skipped; an item that begins with a double quote runs to the next double quote
// (the quotes are not part of it); any other item runs to the next comma or line end, with
// trailing blanks removed.
class ItemReader {
public:
    explicit ItemReader(std::string_view content) : content_(content) {}

    // The next item, or nullopt at the end of the content.
    std::optional<std::string> next();
    bool atEnd() const { return pos_ >= content_.size(); }

private:
    void skipSeparator();

    std::string_view content_;
    std::size_t pos_ = 0;
};

}  // namespace tc24
