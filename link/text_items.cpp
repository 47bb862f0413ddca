#include "link/text_items.h"

namespace tc24 {

namespace {
bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isLineEnd(char c) { return c == '\r' || c == '\n'; }
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

std::optional<std::string> ItemReader::next() {
    while (pos_ < content_.size() && isBlank(content_[pos_])) {
        ++pos_;
    }
    if (pos_ >= content_.size()) {
        return std::nullopt;
    }
    std::string item;
    if (content_[pos_] == '"') {
        const std::size_t close = content_.find('"', pos_ + 1);
        const std::size_t end = close == std::string_view::npos ? content_.size() : close;
        item.assign(content_.substr(pos_ + 1, end - pos_ - 1));
        pos_ = close == std::string_view::npos ? content_.size() : close + 1;
        // Whatever follows the closing quote up to the separator is not part of the item.
        while (pos_ < content_.size() && content_[pos_] != ',' && !isLineEnd(content_[pos_])) {
            ++pos_;
        }
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
