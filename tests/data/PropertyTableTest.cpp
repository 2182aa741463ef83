// PropertyTable: rehash and shrink points, insertion order, replace semantics and
// the two key modes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/PropertyTable.h"

namespace {

// Keys live as long as the test; the table only keeps pointers.
std::vector<os::WString> makeKeys(int n) {
  std::vector<os::WString> keys;
  for (int i = 0; i < n; ++i) keys.push_back(os::format(u"key%d", (i * 7919) % 1000));
  return keys;
}

void* value(intptr_t n) { return reinterpret_cast<void*>(n); }

std::vector<os::WString> orderOf(const PropertyTable& table) {
  std::vector<os::WString> out;
  for (int32_t i = 0; i < table.count(); ++i) out.emplace_back(static_cast<const char16_t*>(table.orderedKeys()[i]));
  return out;
}

}  // namespace

TEST(PropertyTable, FortyNinthKeyRehashesTo131WithOrderUnchanged) {
  PropertyTable table;
  std::vector<os::WString> keys = makeKeys(49);
  for (int i = 0; i < 48; ++i) EXPECT_EQ(table.insert(keys[i].c_str(), value(i + 1), false), nullptr);
  EXPECT_EQ(table.bucketCount(), 65);
  EXPECT_EQ(table.threshold(), 48);
  std::vector<os::WString> before = orderOf(table);
  table.insert(keys[48].c_str(), value(49), false);
  EXPECT_EQ(table.bucketCount(), 131);
  EXPECT_EQ(table.threshold(), 98);
  std::vector<os::WString> after = orderOf(table);
  ASSERT_EQ(after.size(), 49u);
  EXPECT_TRUE(std::equal(before.begin(), before.end(), after.begin()));
  for (int i = 0; i < 49; ++i) EXPECT_EQ(table.lookup(keys[i].c_str()), value(i + 1)) << i;
  std::vector<void*> values = table.orderedValues();
  for (int i = 0; i < 49; ++i) EXPECT_EQ(values[size_t(i)], value(i + 1));
}

TEST(PropertyTable, RemovingShrinksFrom263To131BelowNinetyEight) {
  PropertyTable table;
  std::vector<os::WString> keys = makeKeys(120);
  for (int i = 0; i < 120; ++i) table.insert(keys[i].c_str(), value(i + 1), false);
  ASSERT_EQ(table.bucketCount(), 263);
  int i = 0;
  while (table.count() > 98) table.remove(keys[i++].c_str());
  EXPECT_EQ(table.bucketCount(), 263);   // 98 is not below 98
  table.remove(keys[i++].c_str());
  EXPECT_EQ(table.count(), 97);
  EXPECT_EQ(table.bucketCount(), 131);
  for (int k = i; k < 120; ++k) EXPECT_EQ(table.lookup(keys[k].c_str()), value(k + 1));
  EXPECT_EQ(orderOf(table).front(), keys[i]);   // removed keys left the order

  // Below 48 it goes on to 65, but never below: 24 entries or fewer do not shrink.
  while (table.count() > 0) table.remove(keys[i++].c_str());
  EXPECT_EQ(table.bucketCount(), 65);
}

TEST(PropertyTable, SmallTablesNeverShrink) {
  PropertyTable table;
  std::vector<os::WString> keys = makeKeys(60);
  for (int i = 0; i < 60; ++i) table.insert(keys[i].c_str(), value(1), false);
  ASSERT_EQ(table.bucketCount(), 131);
  for (int i = 0; i < 36; ++i) table.remove(keys[i].c_str());   // 24 left: passed 47..25 on the way
  EXPECT_EQ(table.bucketCount(), 65);
  PropertyTable fresh;
  for (int i = 0; i < 30; ++i) fresh.insert(keys[i].c_str(), value(1), false);
  for (int i = 0; i < 30; ++i) fresh.remove(keys[i].c_str());
  EXPECT_EQ(fresh.bucketCount(), 65);
}

TEST(PropertyTable, ReplaceKeepsFirstPositionAndStoredKey) {
  PropertyTable table;
  os::WString a = u"alpha", b = u"beta", aAgain = u"alpha";
  table.insert(a.c_str(), value(1), false);
  table.insert(b.c_str(), value(2), false);
  EXPECT_EQ(table.insert(aAgain.c_str(), value(3), false), value(1));
  EXPECT_EQ(table.lookup(a.c_str()), value(1));
  EXPECT_EQ(table.insert(aAgain.c_str(), value(3), true), value(1));
  EXPECT_EQ(table.lookup(a.c_str()), value(3));
  EXPECT_EQ(table.orderedKeys()[0], a.c_str());   // the first key pointer stays
  EXPECT_EQ(orderOf(table), (std::vector<os::WString>{u"alpha", u"beta"}));
  EXPECT_EQ(table.insert(b.c_str(), nullptr, true), nullptr);
  EXPECT_EQ(table.insert(nullptr, value(4), true), nullptr);
  EXPECT_EQ(table.count(), 2);
  EXPECT_EQ(table.lookupText(u"beta"), value(2));
  EXPECT_EQ(table.remove(aAgain.c_str()), value(3));
  EXPECT_EQ(orderOf(table), (std::vector<os::WString>{u"beta"}));
}

TEST(PropertyTable, KeysCompareCaseSensitively) {
  PropertyTable table;
  table.insert(u"Abc", value(1), false);
  table.insert(u"abc", value(2), false);
  EXPECT_EQ(table.count(), 2);
  EXPECT_EQ(table.lookupText(u"Abc"), value(1));
  EXPECT_EQ(table.lookupText(u"abc"), value(2));
  EXPECT_EQ(table.lookupText(u"ABC"), nullptr);
  EXPECT_EQ(PropertyTable::hashText(u""), 0u);
  // 32 samples at (k * len) / 32, the last one being the terminating zero.
  EXPECT_EQ(PropertyTable::hashText(u"ab"), 64487583u);
  EXPECT_EQ(PropertyTable::hashText(u"sceneVehicle"), 3539759514u);
  EXPECT_EQ(PropertyTable::hashText(u"btnNextTrack"), 345836243u);
}

TEST(PropertyTable, IdentityKeysCompareByPointer) {
  PropertyTable table(PropertyTable::kIdentityKeys);
  char16_t first[] = u"same", second[] = u"same";
  table.insert(first, value(1), false);
  table.insert(second, value(2), false);
  EXPECT_EQ(table.count(), 2);
  EXPECT_EQ(table.lookup(first), value(1));
  EXPECT_EQ(table.remove(second), value(2));
  EXPECT_EQ(table.lookup(second), nullptr);
  // Many pointer keys, including ones whose hash is negative as a signed number.
  std::vector<int> cells(500);
  for (int& cell : cells) table.insert(&cell, &cell, false);
  for (int& cell : cells) EXPECT_EQ(table.lookup(&cell), &cell);
  table.clear();
  EXPECT_EQ(table.count(), 0);
  EXPECT_EQ(table.bucketCount(), 65);
}

TEST(PropertyTable, LongKeysHashOnlyThirtyTwoSamples) {
  PropertyTable table;
  os::WString longA(70000, u'x'), longB(70000, u'x');
  longB[1] = u'y';   // not among the samples: same hash, still different keys
  EXPECT_EQ(PropertyTable::hashText(longA), PropertyTable::hashText(longB));
  table.insert(longA.c_str(), value(1), false);
  table.insert(longB.c_str(), value(2), false);
  EXPECT_EQ(table.lookup(longA.c_str()), value(1));
  EXPECT_EQ(table.lookup(longB.c_str()), value(2));
}
