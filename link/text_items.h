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

    // Of the item next() returned last, for readers that refuse what the rules above let
    // through. The line it begins on, 1 for the first (CR LF, lone LF and lone CR each end a
    // line).
    std::size_t line() const { return itemLine_; }
    // Whether it began with a double quote.
    bool quoted() const { return quoted_; }
    // False for a quoted item whose closing quote is missing: it ran to the end of the content.
    bool closed() const { return closed_; }
    // The text between its closing quote and the separator, which is not part of it.
    std::string_view textAfterQuote() const { return textAfterQuote_; }

private:
    void skipSeparator();
    void countLinesTo(std::size_t pos);

    std::string_view content_;
    std::size_t pos_ = 0;
    // Lines are counted once, up to the start of the last item.
    std::size_t linesCountedTo_ = 0;
    std::size_t line_ = 1;
    std::size_t itemLine_ = 0;
    bool quoted_ = false;
    bool closed_ = true;
    std::string_view textAfterQuote_;
};

}  // namespace tc24
