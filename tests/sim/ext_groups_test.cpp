// The simulated controller's field-mask merge of packed extended groups.
#include "ipmi/ext_groups.h"

#include <gtest/gtest.h>

namespace {

using sim::Bytes;

Bytes param(uint16_t mask, const Bytes& data) {
    Bytes p{static_cast<uint8_t>(data.size() + 5), 0, 1, static_cast<uint8_t>(mask), static_cast<uint8_t>(mask >> 8)};
    p.insert(p.end(), data.begin(), data.end());
    return p;
}

TEST(ExtGroupMerge, SelectedFieldsReplaceAndTheOthersStay) {
    // SNMP: u8, s32, s32.
    Bytes stored = param(0xFFFF, {7, 3, 'a', 'b', 'c', 1, 'x'});
    Bytes out;
    ASSERT_TRUE(sim::mergeExtGroup(5, stored, param(2, {0, 2, 'z', 'z', 0}), out));
    EXPECT_EQ(out, param(2, {7, 2, 'z', 'z', 1, 'x'}));
    // Nothing stored yet: unselected fields start zero or empty.
    ASSERT_TRUE(sim::mergeExtGroup(5, {}, param(1, {9, 0, 0}), out));
    EXPECT_EQ(out, param(1, {9, 0, 0}));
    // Directory services: mask bits 6-8 have no wire field, bit 9 is the next string.
    Bytes ad{1, 0, 0, 0, 0, 0, 0, 0, 0};
    for (int i = 0; i < 6; ++i) ad.insert(ad.end(), {1, static_cast<uint8_t>('A' + i)});
    ad.push_back(2);
    ASSERT_TRUE(sim::mergeExtGroup(7, {}, param(1u << 9, ad), out));
    EXPECT_EQ(out[5 + 9], 1);
    EXPECT_EQ(out[5 + 10], 'A');
    EXPECT_EQ(out[5 + 11], 0) << "the second string was not selected";
}

TEST(ExtGroupMerge, WhatIsNotOneWholeGroupIsLeftToBeStoredAsWritten) {
    Bytes out;
    EXPECT_FALSE(sim::mergeExtGroup(5, {}, param(0xFFFF, {7, 40, 'a'}), out)); // string runs past the end
    EXPECT_FALSE(sim::mergeExtGroup(5, {}, param(0xFFFF, {7, 0, 0, 9}), out)); // a byte left over
    EXPECT_FALSE(sim::mergeExtGroup(10, {}, param(1, Bytes(9, 1)), out));       // opaque group
    EXPECT_FALSE(sim::mergeExtGroup(20, {}, param(1, {5}), out));               // an action
    // A stored parameter that is not a whole group is not merged from: the new one wins whole.
    ASSERT_TRUE(sim::mergeExtGroup(5, {1, 2, 3}, param(1, {9, 0, 0}), out));
    EXPECT_EQ(out, param(1, {9, 0, 0}));
}

} // namespace
