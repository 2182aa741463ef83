// Loading page templates: the factory's object types and keys, scene placement, naming
// of numbered copies, progress reports, merging a second template and saving.
#include "PageTestFixture.h"

#include <sys/stat.h>
#include <unistd.h>

#include "data/TemplateFile.h"
#include "data/ValueList.h"
#include "gui/BitmapFont.h"
#include "gui/PageCaches.h"
#include "gui/PageFactory.h"
#include "gui/Texture.h"

namespace {

struct Report {
  os::WString text, name;
  int percent;
};

struct RecordingListener : PageLoadListener {
  std::vector<Report> reports;
  void onLoadProgress(os::WStringView text, os::WStringView name, int percent) override {
    reports.push_back(Report{os::WString(text), os::WString(name), percent});
  }
};

}  // namespace

TEST_F(PageTest, ScenesArePlacedByPercentCentreAndContainerWidth) {
  ASSERT_TRUE(load());
  Scene* centred = canvas().findScene(u"sceneCentred");
  ASSERT_NE(centred, nullptr);
  EXPECT_EQ(centred->width, 120);  // 50% of 240
  EXPECT_EQ(centred->x, 60);       // (240 - 120) / 2
  EXPECT_EQ(centred->y, 270);
  EXPECT_EQ(centred->height, 40);
  Scene* box = canvas().findScene(u"sceneBox");
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->x, 30);  // (240 - 200) / 2 + 10
  EXPECT_EQ(box->y, 230);
  Scene* main = canvas().findScene(u"sceneMain");
  EXPECT_EQ(main->width, 240);
  EXPECT_EQ(main->height, 220);
  EXPECT_EQ(main->x, 0);
  // Scenes are drawn in creation order; the last visible 2D scene is on top.
  EXPECT_EQ(canvas().topScene(), main);
}

TEST_F(PageTest, PlacementTable) {
  struct Case {
    const char16_t* items;
    int x, y, width, height;
  } cases[] = {
      {u"width:50%, x:CENTER", 60, 0, 120, 320},
      {u"width:33%, height:10%", 0, 0, 79, 32},  // 79.2 and 32 rounded
      {u"x:10, containerWidth:200", 30, 0, 240, 320},
      {u"width:100, height:50, x:CENTER, y:CENTER", 70, 135, 100, 50},
      {u"y:5, containerHeight:300", 0, 15, 240, 320},
      {u"width:20, x:-4", -4, 0, 20, 320},
  };
  for (const Case& c : cases) {
    SpriteScene scene;
    ValueList items(c.items);
    placeScene(scene, items, 240, 320);
    EXPECT_EQ(scene.x, c.x) << os::toUtf8(c.items);
    EXPECT_EQ(scene.y, c.y) << os::toUtf8(c.items);
    EXPECT_EQ(scene.width, c.width) << os::toUtf8(c.items);
    EXPECT_EQ(scene.height, c.height) << os::toUtf8(c.items);
  }
}

TEST_F(PageTest, NumberedSpritesAreNamedByAppendingTheIndex) {
  ASSERT_TRUE(load());
  Scene* main = canvas().findScene(u"sceneMain");
  for (const char16_t* name : {u"row0", u"row1", u"row2"}) EXPECT_NE(main->findChild(name), nullptr);
  EXPECT_EQ(main->findChild(u"row"), nullptr);
  EXPECT_EQ(main->findChild(u"row3"), nullptr);
  EXPECT_FALSE(sprite(u"row0")->isClone);
  EXPECT_TRUE(sprite(u"row1")->isClone);
  // A '%' in the key is an ordinary character, never a format directive.
  EXPECT_NE(main->findChild(u"cell%d0"), nullptr);
  EXPECT_NE(main->findChild(u"cell%d1"), nullptr);
}

TEST_F(PageTest, LinesWithoutTypeCreateNothingAndReportNoProgress) {
  RecordingListener listener;
  canvas().setLoadListener(&listener);
  ASSERT_TRUE(load());
  EXPECT_EQ(canvas().findObject(u"noType"), nullptr);
  ASSERT_FALSE(listener.reports.empty());
  for (const Report& r : listener.reports) {
    EXPECT_EQ(r.text.find(u"noType"), os::WString::npos);
    EXPECT_EQ(r.name, u"demo.properties");
  }
  // The group setting has no type either.
  for (const Report& r : listener.reports) EXPECT_NE(r.text, u"Load grpLevel");
  EXPECT_EQ(listener.reports.back().text, u"Load");
  EXPECT_EQ(listener.reports.back().percent, 100);
  EXPECT_EQ(listener.reports.front().text, u"Load pageDefaults");
  EXPECT_EQ(listener.reports.front().percent, 0);
  // Percentages grow with the key's position among all keys.
  for (size_t i = 1; i < listener.reports.size(); ++i)
    EXPECT_LE(listener.reports[i - 1].percent, listener.reports[i].percent);
  // Long keys are cut to 20 characters in the report.
  canvas().setLoadListener(nullptr);
}

TEST_F(PageTest, UnknownTypesReachCreateCustomObject) {
  ASSERT_TRUE(load());
  ASSERT_EQ(canvas().customObjects.size(), 1u);
  EXPECT_EQ(canvas().customObjects[0], u"gridThing");
  EXPECT_EQ(canvas().pageLoadedCalls, 1);
}

TEST_F(PageTest, SpriteKeysAndPageDefaults) {
  ASSERT_TRUE(load());
  EXPECT_EQ(canvas().defaultTextSize, 12);
  Sprite* status = sprite(u"sptStatus");
  ASSERT_NE(status, nullptr);
  EXPECT_EQ(status->width, 40);  // size of the texture
  EXPECT_EQ(status->height, 20);
  EXPECT_EQ(status->status, 2);
  EXPECT_EQ(status->textColour, 0x00FF00u);        // page default
  EXPECT_EQ(status->brightTextColour, 0xFF0000u);  // page default
  EXPECT_EQ(status->textWeight, 700);
  EXPECT_FALSE(status->formatted);
  EXPECT_EQ(status->textSize, 16);
  EXPECT_EQ(sprite(u"sptTilde")->textSize, 12);    // page default size
  EXPECT_EQ(sprite(u"sptTilde")->bitmapFont, canvas().findFont(u"fontSmall"));
  EXPECT_EQ(sprite(u"sptTilde")->brightBitmapFont, canvas().findFont(u"fontSmall"));

  Sprite* edit = sprite(u"edtName");
  EXPECT_EQ(edit->widgetKind, WidgetEditbox);
  EXPECT_EQ(edit->text(), u"Player");
  EXPECT_EQ(edit->widgetParameter, u"-8,Your name");
  Sprite* link = sprite(u"lnkNext");
  EXPECT_EQ(link->widgetKind, WidgetHyperlink);
  EXPECT_TRUE(link->underline);
  EXPECT_EQ(link->widgetParameter, u"link.properties");
  Sprite* hot = sprite(u"btnHot");
  EXPECT_EQ(hot->index, uint16_t('5'));
  EXPECT_EQ(hot->index2, uint16_t('A'));  // lower-case letters become upper case
  EXPECT_EQ(int(hot->labelOffsetX) - 10000, -12);
  EXPECT_TRUE(sprite(u"chkKeep")->persistent);
  EXPECT_EQ(sprite(u"chkOne")->widgetParameter, u"grpLevel");
  EXPECT_EQ(sprite(u"sptHelpTip")->visible, 0);
}

TEST_F(PageTest, KeyNamesAndTheirSecondHotKey) {
  struct Case {
    const char16_t* index;
    const char16_t* index2;
    uint16_t first, second;
  } cases[] = {
      {u"LEFT", nullptr, 37, 37},   // an arrow is also the second hot key
      {u"ENTER", u"x", 13, 13},     // even over an explicit index2
      {u"7", u"q", '7', 'Q'},
      {u"Zed", nullptr, 'Z', 0},
      {nullptr, u"b", 0, 'B'},
  };
  for (const Case& c : cases) {
    os::WString line = u"type:Sprite, container:sceneMain, GUIType:button, width:5, height:5";
    if (c.index) line += os::WString(u", index:") + c.index;
    if (c.index2) line += os::WString(u", index2:") + c.index2;
    ASSERT_TRUE(load());
    ValueList items(line);
    createSprite(canvas(), u"probe", items);
    Sprite* probe = sprite(u"probe");
    ASSERT_NE(probe, nullptr);
    EXPECT_EQ(probe->index, c.first) << os::toUtf8(line);
    EXPECT_EQ(probe->index2, c.second) << os::toUtf8(line);
  }
}

TEST_F(PageTest, AMissingPictureLeavesTheSpriteDrawableWithItsColour) {
  ASSERT_TRUE(load());
  Sprite* missing = sprite(u"sptMissing");
  ASSERT_NE(missing, nullptr);
  EXPECT_EQ(missing->texture, nullptr);
  EXPECT_EQ(missing->width, 10);
  redraw();
  EXPECT_EQ(at(225, 5), guitest::as565(0xFF8000));
  // The cache keeps an empty texture so the picture is reported only once per page.
  Texture* kept = canvas().imageCache().stored(u"missing.gif");
  ASSERT_NE(kept, nullptr);
  EXPECT_FALSE(kept->valid());
}

TEST_F(PageTest, MissingTemplateShowsTheErrorAndKeepsTheRequestedName) {
  ASSERT_TRUE(load());
  EXPECT_FALSE(load(u"absent.properties"));
  EXPECT_EQ(canvas().pageName(), u"absent.properties");
  EXPECT_TRUE(canvas().scenes().empty());  // with reset nothing is left
  EXPECT_FALSE(canvas().loadPage(u"", u"demo.properties", false, true));
}

TEST_F(PageTest, MergingAddsAndRedefinesObjectsAndSavingWritesTheFirstFile) {
  ASSERT_TRUE(load());
  ASSERT_TRUE(load(u"merge.properties", false));
  EXPECT_EQ(canvas().pageName(), u"demo.properties");
  Sprite* merged = sprite(u"sptMerged");
  ASSERT_NE(merged, nullptr);
  EXPECT_EQ(merged->y, 200);
  // The redefined sprite was made again from the new line, and only once.
  Sprite* picture = sprite(u"sptPicture");
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(picture->x, 5);
  EXPECT_EQ(picture->colour, 0x090909);
  Scene* main = canvas().findScene(u"sceneMain");
  int named = 0;
  for (PageObject* child : main->children()) named += child->name == u"sptPicture";
  EXPECT_EQ(named, 1);
  // Objects only the first file defines were not made twice.
  named = 0;
  for (PageObject* child : main->children()) named += child->name == u"btnLower";
  EXPECT_EQ(named, 1);

  std::string mergeBefore = guitest::readFile(folder + "merge.properties");
  canvas().pageTemplate().setSubValue(u"chkAlone", u"status", u"0");
  ASSERT_TRUE(canvas().savePage());
  std::string demo = guitest::readFile(folder + "demo.properties");
  EXPECT_NE(demo.find("sptMerged="), std::string::npos);
  EXPECT_NE(demo.find("status:0, color"), std::string::npos);
  EXPECT_EQ(guitest::readFile(folder + "merge.properties"), mergeBefore);
}

TEST_F(PageTest, SavingAReadOnlyPageWarnsAndFails) {
  ASSERT_TRUE(load());
  std::string path = folder + "demo.properties";
  ASSERT_EQ(chmod(path.c_str(), 0444), 0);
  EXPECT_FALSE(canvas().savePage());
}

TEST_F(PageTest, BitmapFontsAreMadeOncePerNameAndNotWhenDisabled) {
  ASSERT_TRUE(load());
  BitmapFont* font = canvas().findFont(u"fontSmall");
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(font->cellWidth, 4);
  EXPECT_EQ(font->cellHeight, 4);
  EXPECT_EQ(font->glyphIndex('~'), 94);  // column 14, row 5
  EXPECT_EQ(font->glyphIndex(10), 0);    // below the start code: first glyph
  ValueList again(u"type:BitmapFont, bitmap:font.gif, columns:8, rows:3");
  createBitmapFont(canvas(), u"fontSmall", again);
  EXPECT_EQ(canvas().findFont(u"fontSmall"), font);
  canvas().setFontsDisabled(true);
  ASSERT_TRUE(load());
  EXPECT_EQ(canvas().findFont(u"fontSmall"), nullptr);
  EXPECT_EQ(sprite(u"sptTilde")->bitmapFont, nullptr);
  canvas().setFontsDisabled(false);
}

TEST_F(PageTest, GotoPageReplacesThePageFromTheSameFolder) {
  ASSERT_TRUE(load());
  canvas().gotoPage(u"link.properties");
  EXPECT_NE(canvas().findScene(u"sceneLinked"), nullptr);
  EXPECT_EQ(canvas().findScene(u"sceneMain"), nullptr);
  EXPECT_EQ(canvas().pageName(), u"link.properties");
  EXPECT_EQ(canvas().pageFolder(), guitest::gameFolder(folder).substr(0, 259));
}
