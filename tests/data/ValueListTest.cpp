// Guarded and pair splits, ValueList parsing and the typed conversions.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "data/TextSplit.h"
#include "data/TextValues.h"
#include "data/ValueList.h"

namespace {

struct Item {
  os::WString subkey;
  os::WString value;
  bool operator==(const Item& other) const { return subkey == other.subkey && value == other.value; }
};

std::vector<Item> itemsOf(const ValueList& list) {
  std::vector<Item> items;
  for (int32_t i = 0; i < list.count(); ++i) items.push_back({list.subkeyAt(i), list.valueAt(i)});
  return items;
}

}  // namespace

TEST(TextSplit, GuardedSplitCases) {
  struct Case {
    const char16_t* text;
    char16_t guard;
    std::vector<os::WString> tokens;
  } cases[] = {
      {u"text:Hello, world, x:1", u':', {u"text:Hello, world", u" x:1"}},
      {u"x, a:1", u':', {u"x, a:1"}},          // no delimited piece holds the guard
      {u"hello", u':', {u"hello"}},
      {u"a:1,,b:2", u':', {u"a:1,", u"b:2"}},   // the empty piece joins with its delimiter
      {u"a:1,", u':', {u"a:1"}},                // a final delimiter adds nothing
      {u"", u':', {}},
      {u"1;2;;3;", 0, {u"1", u"2", u"", u"3"}},
      {u"no delimiter", 0, {u"no delimiter"}},
  };
  for (const Case& c : cases) EXPECT_EQ(guardedSplit(c.text, u",;", c.guard), c.tokens) << os::toUtf8(c.text);
}

TEST(TextSplit, PairSplitCutsAtTheFirstSeparator) {
  os::WString key, value;
  ASSERT_TRUE(pairSplit(u"\t href : file://x ", u':', key, value));
  EXPECT_EQ(key, u"href");
  EXPECT_EQ(value, u"file://x");
  EXPECT_FALSE(pairSplit(u"no separator", u':', key, value));
}

TEST(ValueList, ParsesItemsInOrderWithLastValueWinning) {
  EXPECT_EQ(itemsOf(ValueList(u"a:1, b:2, a:3")), (std::vector<Item>{{u"a", u"3"}, {u"b", u"2"}}));
  EXPECT_EQ(itemsOf(ValueList(u"x, a:1")), (std::vector<Item>{{u"x, a", u"1"}}));
  EXPECT_EQ(itemsOf(ValueList(u"hello")), (std::vector<Item>{}));
  EXPECT_EQ(itemsOf(ValueList(u"type:Sprite, text:Hello, world, x:10")),
            (std::vector<Item>{{u"type", u"Sprite"}, {u"text", u"Hello, world"}, {u"x", u"10"}}));
  ValueList list(u"href:file://x, n: 42 , on:1, off:yes, c:(255;128;0), f:-2.5e1");
  EXPECT_EQ(os::WString(list.lookup(u"href")), u"file://x");
  EXPECT_EQ(list.getInt(u"n", 0), 42);
  EXPECT_TRUE(list.getBool(u"on", false));
  EXPECT_FALSE(list.getBool(u"off", true));
  EXPECT_EQ(list.getColor(u"c", 0), (255u << 16) | (128u << 8));
  EXPECT_FLOAT_EQ(list.getFloat(u"f", 0), -25.0f);
  EXPECT_EQ(list.getInt(u"missing", 7), 7);
  list.parse(u"only:1");
  EXPECT_EQ(list.count(), 1);
  EXPECT_EQ(list.lookup(u"n"), nullptr);
}

TEST(TextValues, Conversions) {
  EXPECT_EQ(textToInt(u"12abc", 5), 12);
  EXPECT_EQ(textToInt(u"  -7", 5), -7);
  EXPECT_EQ(textToInt(u"abc", 5), 0);
  EXPECT_EQ(textToInt(u"", 5), 5);
  EXPECT_EQ(textToInt(nullptr, 5), 5);
  EXPECT_EQ(textToInt(u"99999999999", 0), INT32_MAX);
  EXPECT_EQ(textToInt(u"-99999999999", 0), INT32_MIN);
  EXPECT_FALSE(textToBool(u"true", true));
  EXPECT_TRUE(textToBool(u"1", false));
  EXPECT_TRUE(textToBool(u"", true));
  EXPECT_FLOAT_EQ(textToFloat(u"1.5x", 0), 1.5f);
  EXPECT_FLOAT_EQ(textToFloat(u" .25", 0), 0.25f);
  EXPECT_FLOAT_EQ(textToFloat(u"3e2", 0), 300.0f);
  EXPECT_FLOAT_EQ(textToFloat(u"word", 9), 0.0f);
  EXPECT_FLOAT_EQ(textToFloat(u"0.1", 0), float(0.1));
  EXPECT_TRUE(std::isinf(textToFloat(u"1e999", 0)));
  EXPECT_EQ(textToColor(u"(255;128;0)", 1), 0xFF8000u);
  EXPECT_EQ(textToColor(u" ( 1 ; 2 ; 3 ) ", 1), 0x010203u);
  EXPECT_EQ(textToColor(u"(9;8)", 1), 0x090800u);       // a missing component is 0
  EXPECT_EQ(textToColor(u"(300;-4;16)", 1), 0xFF0010u); // components clamp to 0..255
  EXPECT_EQ(textToColor(u"", 1), 1u);
}
