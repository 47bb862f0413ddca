#include "link/text_items.h"

namespace tc24 {

namespace {
bool isBlank(char c) {
    return c == ' ' || c == '\t';
}
bool isLineEnd(char c) {
    return c == '\r' || c == '\n';
}
}  // namespace

void ItemReader::skipSeparator() {
    if (pos_ >= content_.size()) {
        return;
    }
    if (content_[pos_] == ',') {
        ++pos_;
    } else if (content_[pos_] == '\r') {
        ++pos_;
        if (pos_ < content_.size() && content_[pos_] == '\n') {
            ++pos_;
        }
    } else if (content_[pos_] == '\n') {
        ++pos_;
    }
}

void ItemReader::countLinesTo(std::size_t pos) {
    for (; linesCountedTo_ < pos; ++linesCountedTo_) {
        const char c = content_[linesCountedTo_];
        // The LF of a CR LF ends no second line.
        if (c == '\r' ||
            (c == '\n' && (linesCountedTo_ == 0 || content_[linesCountedTo_ - 1] != '\r'))) {
            ++line_;
        }
    }
}

std::optional<std::string> ItemReader::next() {
    while (pos_ < content_.size() && isBlank(content_[pos_])) {
        ++pos_;
    }
    if (pos_ >= content_.size()) {
        return std::nullopt;
    }
    countLinesTo(pos_);
    itemLine_ = line_;
    quoted_ = content_[pos_] == '"';
    closed_ = true;
    textAfterQuote_ = {};
    std::string item;
    if (quoted_) {
        const std::size_t close = content_.find('"', pos_ + 1);
        closed_ = close != std::string_view::npos;
        const std::size_t end = closed_ ? close : content_.size();
        item.assign(content_.substr(pos_ + 1, end - pos_ - 1));
        pos_ = closed_ ? close + 1 : content_.size();
        // Whatever follows the closing quote up to the separator is not part of the item.
        const std::size_t after = pos_;
        while (pos_ < content_.size() && content_[pos_] != ',' && !isLineEnd(content_[pos_])) {
            ++pos_;
        }
        textAfterQuote_ = content_.substr(after, pos_ - after);
    } else {
        const std::size_t start = pos_;
        while (pos_ < content_.size() && content_[pos_] != ',' && !isLineEnd(content_[pos_])) {
            ++pos_;
        }
        std::size_t end = pos_;
        while (end > start && isBlank(content_[end - 1])) {
            --end;
        }
        item.assign(content_.substr(start, end - start));
    }
    skipSeparator();
    return item;
}

}  // namespace tc24
