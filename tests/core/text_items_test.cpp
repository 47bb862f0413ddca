#include <gtest/gtest.h>

#include <string>

#include "link/text_items.h"

using tc24::ItemReader;

TEST(ItemReaderPlace, NamesTheLineEachItemBeginsOn) {
    // CR LF, lone LF and lone CR each end one line; commas do not; a quoted item's own line
    // ends count for what follows it.
    ItemReader items("a,b\r\nc\nd\re\r\n\r\n\"f\r\ng\"\r\n  h\n");
    const std::pair<const char*, std::size_t> expected[] = {
        {"a", 1}, {"b", 1}, {"c", 2}, {"d", 3}, {"e", 4}, {"", 5}, {"f\r\ng", 6}, {"h", 8},
    };
    for (const auto& [item, line] : expected) {
        const auto read = items.next();
        ASSERT_TRUE(read) << item;
        EXPECT_EQ(*read, item);
        EXPECT_EQ(items.line(), line) << item;
    }
    EXPECT_FALSE(items.next());
}

TEST(ItemReaderPlace, TellsQuotesAndTheTextDroppedAfterThem) {
    ItemReader items("\"a\" junk,plain,\"b\"\r\n\"open");
    ASSERT_TRUE(items.next());
    EXPECT_TRUE(items.quoted());
    EXPECT_TRUE(items.closed());
    EXPECT_EQ(items.textAfterQuote(), " junk");
    ASSERT_TRUE(items.next());
    EXPECT_FALSE(items.quoted());
    EXPECT_EQ(items.textAfterQuote(), "");
    ASSERT_TRUE(items.next());
    EXPECT_TRUE(items.quoted());
    EXPECT_EQ(items.textAfterQuote(), "");
    EXPECT_EQ(*items.next(), "open");
    EXPECT_TRUE(items.quoted());
    EXPECT_FALSE(items.closed());
    EXPECT_EQ(items.line(), 2U);
}
