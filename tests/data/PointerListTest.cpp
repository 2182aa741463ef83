// PointerList: the fixed growth and shrink steps, index checks, clear and copy.
#include <gtest/gtest.h>

#include <vector>

#include "data/PointerList.h"

namespace {

void* item(intptr_t n) { return reinterpret_cast<void*>(n); }

std::vector<intptr_t> contents(const PointerList& list) {
  std::vector<intptr_t> out;
  for (int32_t i = 0; i < list.count(); ++i) out.push_back(reinterpret_cast<intptr_t>(list.at(i)));
  return out;
}

}  // namespace

TEST(PointerList, CapacityGrowsToCapacityPlusOneTimesTwo) {
  PointerList list;
  std::vector<int32_t> seen{list.capacity()};
  for (intptr_t i = 1; i <= 31; ++i) {
    list.append(item(i));
    if (list.capacity() != seen.back()) seen.push_back(list.capacity());
  }
  EXPECT_EQ(seen, (std::vector<int32_t>{0, 2, 6, 14, 30, 62}));

  PointerList large(32);
  std::vector<int32_t> grown{large.capacity()};
  for (intptr_t i = 1; i <= 70; ++i) {
    large.insertAt(0, item(i));
    if (large.capacity() != grown.back()) grown.push_back(large.capacity());
  }
  EXPECT_EQ(grown, (std::vector<int32_t>{32, 66, 134}));
  EXPECT_EQ(large.at(0), item(70));
  EXPECT_EQ(large.at(69), item(1));
}

TEST(PointerList, OutOfRangeIndexesAreIgnored) {
  PointerList list;
  list.append(item(1));
  list.insertAt(2, item(9));
  list.insertAt(-1, item(9));
  list.removeAt(1);
  list.removeAt(-1);
  EXPECT_EQ(contents(list), (std::vector<intptr_t>{1}));
  EXPECT_EQ(list.at(1), nullptr);
  list.insertAt(1, item(2));   // index == count appends
  list.insertAt(0, item(0));
  EXPECT_EQ(contents(list), (std::vector<intptr_t>{0, 1, 2}));
  EXPECT_EQ(list.indexOf(item(2)), 2);
  EXPECT_EQ(list.indexOf(item(7)), -1);
  EXPECT_FALSE(list.remove(item(7)));
  EXPECT_TRUE(list.remove(item(1)));
  EXPECT_EQ(contents(list), (std::vector<intptr_t>{0, 2}));
}

TEST(PointerList, RemoveShrinksToTheCountBeforeRemovalOnceMostlyEmpty) {
  PointerList list;
  for (intptr_t i = 0; i < 7; ++i) list.append(item(i));   // capacity 14
  ASSERT_EQ(list.capacity(), 14);
  list.removeAt(0);   // count 7 > 14/2 - 1: array kept
  EXPECT_EQ(list.capacity(), 14);
  list.removeAt(0);   // count 6 is not > 6: reallocated to exactly 6
  EXPECT_EQ(list.capacity(), 6);
  EXPECT_EQ(contents(list), (std::vector<intptr_t>{2, 3, 4, 5, 6}));
  list.removeAt(4);
  EXPECT_EQ(contents(list), (std::vector<intptr_t>{2, 3, 4, 5}));
}

TEST(PointerList, ClearReturnsToTheInitialCapacityAndCopiesAreIndependent) {
  PointerList list(2);
  for (intptr_t i = 0; i < 10; ++i) list.append(item(i));
  PointerList copy(list);
  list.clear();
  EXPECT_EQ(list.count(), 0);
  EXPECT_EQ(list.capacity(), 2);
  EXPECT_EQ(copy.count(), 10);
  EXPECT_EQ(copy.at(9), item(9));
  copy = list;
  EXPECT_EQ(copy.count(), 0);
}
