#include <gtest/gtest.h>

#include <cstddef>

#include "ors_contract.h"

// The handle holds a pointer; the Init block keeps 16 words in front of the
// kind-4 text, whose offset is what word 0 carries.
TEST(Contract, HandleIsPointerSized) {
    static_assert(sizeof(ors_handle_t) == sizeof(void*));
    int x = 0;
    const auto h = reinterpret_cast<ors_handle_t>(&x);
    EXPECT_EQ(reinterpret_cast<int*>(h), &x);
}

TEST(Contract, InitBlockLayout) {
    static_assert(sizeof(ors_init_block{}.words) == 16 * sizeof(std::int32_t));
    EXPECT_EQ(offsetof(ors_init_block, text), static_cast<std::size_t>(ORS_INIT_TEXT_OFFSET));
    ors_init_block block{};
    block.words[0] = ORS_INIT_TEXT_OFFSET;
    std::snprintf(block.text, sizeof block.text, "%s", "192.168.1.10");
    // How a library finds the text from the pointer it was given.
    const std::int32_t* words = block.words;
    const char* text = reinterpret_cast<const char*>(words) + words[0];
    EXPECT_STREQ(text, "192.168.1.10");
}
