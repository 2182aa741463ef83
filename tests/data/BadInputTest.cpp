// Damaged archives and templates: loaders fail or read what is there, and never crash,
// hang or allocate beyond what the input can justify.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "DataTestSupport.h"
#include "data/Resources.h"
#include "data/TemplateFile.h"

namespace fs = datatest::fs;
using datatest::writeText;

namespace {

using Bytes = std::string;

uint32_t read32(const Bytes& b, size_t at) {
  return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 | uint32_t(uint8_t(b[at + 2])) << 16 |
         uint32_t(uint8_t(b[at + 3])) << 24;
}

void write32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + size_t(i)] = char((v >> (8 * i)) & 0xFF);
}

// Offsets of the local header and the central directory header of the first entry.
size_t findSignature(const Bytes& b, uint32_t signature) {
  for (size_t i = 0; i + 4 <= b.size(); ++i)
    if (read32(b, i) == signature) return i;
  return Bytes::npos;
}

// Rewrites a size field in both headers, keeping them consistent with each other.
void setSizes(Bytes& b, int field, uint32_t value) {
  size_t local = findSignature(b, 0x04034b50), central = findSignature(b, 0x02014b50);
  write32(b, local + (field == 0 ? 18 : 22), value);
  write32(b, central + (field == 0 ? 20 : 24), value);
}

class BadInputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root = scratch.host() / "resources";
    fs::create_directories(root);
    fs::create_directories(scratch.host() / "tmp");
    ASSERT_TRUE(createTempFolder(os::gamePathFromHost((scratch.host() / "tmp").string())));
    content = std::string(5000, 'a');
    for (size_t i = 0; i < content.size(); i += 3) content[i] = char('a' + (i * 7) % 26);
    ASSERT_TRUE(datatest::writeZip(root / "good.zip", {{"data/one.txt", content}, {"two.txt", "second entry"}}));
    good = datatest::readText(root / "good.zip");
  }
  void TearDown() override { shutdownResources(); }

  os::WString rootGame() const { return os::gamePathFromHost(root.string()) + u"\\"; }

  // Mounts bytes as an archive and reads both entries every way; returns what
  // loadResource gave for the first one ("<none>" when it failed).
  std::string exercise(const Bytes& bytes) {
    shutdownResources();
    EXPECT_TRUE(createTempFolder(os::gamePathFromHost((scratch.host() / "tmp").string())));
    writeText(root / "bad.zip", bytes);
    mountArchive(u"bad.zip", rootGame());
    std::vector<uint8_t> loaded;
    std::string first = loadResource(rootGame() + u"data\\one.txt", loaded) ? std::string(loaded.begin(), loaded.end())
                                                                            : "<none>";
    resourceExists(rootGame() + u"two.txt");
    for (const char16_t* name : {u"data\\one.txt", u"two.txt"}) {
      if (FILE* stream = openResource(rootGame() + name, "rb")) {
        std::string copy = datatest::readStream(stream);
        EXPECT_LE(copy.size(), content.size());
        closeResource(stream);
      }
    }
    return first;
  }

  datatest::ScratchFolder scratch;
  fs::path root;
  std::string content;
  Bytes good;
};

}  // namespace

TEST_F(BadInputTest, DamagedArchives) {
  ASSERT_EQ(exercise(good), content);
  struct Case {
    const char* what;
    Bytes bytes;
  };
  std::vector<Case> cases;
  cases.push_back({"empty", ""});
  cases.push_back({"truncated to 10", good.substr(0, 10)});
  cases.push_back({"truncated to half", good.substr(0, good.size() / 2)});
  cases.push_back({"end record cut", good.substr(0, good.size() - 5)});
  cases.push_back({"no end record", good.substr(0, good.size() - 22)});
  std::mt19937 random(7);
  Bytes noise(4096, 0);
  for (char& c : noise) c = char(random());
  cases.push_back({"noise", noise});
  Bytes understated = good;
  setSizes(understated, 1, uint32_t(content.size() - 100));   // inflates to more than declared
  cases.push_back({"understated size", understated});
  Bytes huge = good;
  setSizes(huge, 1, 0xFFFFFF00u);
  cases.push_back({"huge declared size", huge});
  Bytes longCompressed = good;
  setSizes(longCompressed, 0, 0x7FFFFFF0u);
  cases.push_back({"compressed size beyond the file", longCompressed});
  Bytes method = good;
  method[findSignature(method, 0x04034b50) + 8] = 99;
  method[findSignature(method, 0x02014b50) + 10] = 99;
  cases.push_back({"unknown method", method});
  Bytes entries = good;
  size_t end = findSignature(entries, 0x06054b50);
  entries[end + 8] = char(0xFE);   // claims 65534 entries
  entries[end + 10] = char(0xFE);
  cases.push_back({"entry count lies", entries});
  Bytes data = good;
  for (size_t i = 40; i < 200 && i < data.size(); ++i) data[i] = char(~data[i]);   // damaged deflate data
  cases.push_back({"damaged data", data});

  for (const Case& c : cases) {
    std::string first = exercise(c.bytes);
    EXPECT_TRUE(first == "<none>" || first == content) << c.what;
  }
  EXPECT_EQ(exercise(understated), "<none>");
  EXPECT_EQ(exercise(huge), "<none>");
}

TEST_F(BadInputTest, EveryByteOfAnArchiveDamaged) {
  Bytes small;
  ASSERT_TRUE(datatest::writeZip(root / "small.zip", {{"data/one.txt", content.substr(0, 300)}, {"two.txt", "x"}}));
  small = datatest::readText(root / "small.zip");
  for (size_t i = 0; i < small.size(); ++i) {
    Bytes damaged = small;
    damaged[i] = char(damaged[i] ^ 0x5A);
    std::string first = exercise(damaged);
    EXPECT_TRUE(first == "<none>" || first == content.substr(0, 300)) << "byte " << i;
  }
}

TEST_F(BadInputTest, DamagedTemplates) {
  std::mt19937 random(11);
  std::string garbage(65536, 0);
  for (char& c : garbage) c = char(random());
  std::string braces = "{{{{=1\na={{{{b}\nb={\n}{=2\n{a=3\nc={b}{a}{\nd=}{{}{}}{\n{c}{d}=4\n";
  std::string continued;
  for (int i = 0; i < 5000; ++i) continued += "k=part\\\n";
  struct Case {
    const char* what;
    std::string content;
  } cases[] = {
      {"one long line", "key=" + std::string(200000, 'v')},
      {"long lines with separators", std::string(3000, 'x') + "=1\n" + std::string(5000, '=') + "\n"},
      {"no separators", "just words\nmore words\n\t\n   \n"},
      {"unbalanced braces", braces},
      {"binary garbage", garbage},
      {"carriage returns", std::string(1000, '\r')},
      {"continuations", continued},
      {"invalid utf-8", "a=\xC3\x28\xF0\x9F\x98\n\xFF\xFE=\xE2\x82\n"},
  };
  for (const Case& c : cases) {
    writeText(scratch.host() / "bad.properties", c.content);
    TemplateFile file;
    ASSERT_TRUE(file.load(os::gamePathFromHost(scratch.host().string()), u"bad.properties")) << c.what;
    EXPECT_LE(size_t(file.entryCount()), c.content.size() / 2 + 1) << c.what;
    for (const os::WString& key : file.keys()) {
      std::optional<os::WString> value = file.getString(key, u"x");
      (void)value;
      file.getColor(key, 0);
    }
    EXPECT_TRUE(file.save()) << c.what;
    TemplateFile again;
    EXPECT_TRUE(again.load(os::gamePathFromHost(scratch.host().string()), u"bad.properties")) << c.what;
  }
  // The long line was read in pieces of at most 2047 characters.
  writeText(scratch.host() / "bad.properties", "key=" + std::string(5000, 'v'));
  TemplateFile file;
  ASSERT_TRUE(file.load(os::gamePathFromHost(scratch.host().string()), u"bad.properties"));
  EXPECT_EQ(file.getString(u"key")->size(), 2043u);
}
