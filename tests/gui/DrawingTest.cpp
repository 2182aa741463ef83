// Drawing: textures with clipping and stretching, the bright variant, bitmap fonts,
// animation shared between sprites, buffered scenes, outlines and text, and the texture
// operations (power-of-two sizes, resizing, frames).
#include "PageTestFixture.h"

#include "gui/BitmapFont.h"
#include "gui/PageCaches.h"
#include "gui/Texture.h"
#include "platform/Screen.h"
#include "shell/Display.h"

using guitest::as565;

TEST_F(PageTest, TexturesDrawAtTheirSizeAndClipsStretch) {
  ASSERT_TRUE(load());
  redraw();
  // 32 x 16 red picture at its own size over the blue background.
  EXPECT_EQ(at(0, 0), as565(0xFF0000));
  EXPECT_EQ(at(31, 15), as565(0xFF0000));
  EXPECT_EQ(at(32, 8), as565(0x000040));
  EXPECT_EQ(at(5, 16), as565(0x000040));
  // The clip 0, 0, 16, 16 of the half red, half green picture fills 32 x 16: all red.
  EXPECT_EQ(guitest::countColour(canvas(), 40, 0, 32, 16, as565(0xFF0000)), 32 * 16);

  // And the screen shows it once the page is presented.
  canvas().refresh();
  std::vector<uint8_t> rgb;
  int32_t width = 0, height = 0;
  os::captureScreen(rgb, width, height);
  ASSERT_GE(width, 240);
  auto screen = [&](int x, int y) {
    size_t i = (size_t(y) * size_t(width) + size_t(x)) * 3;
    return uint32_t(rgb[i] << 16 | rgb[i + 1] << 8 | rgb[i + 2]);
  };
  // The capture widens 5-6-5 channels by repeating their top bits.
  EXPECT_EQ(screen(60, 8), 0xFF0000u);
  EXPECT_EQ(screen(120, 100), 0x000042u);
}

TEST_F(PageTest, StatusTwoShowsTheBrightTextureWithTheNormalTextColour) {
  ASSERT_TRUE(load());
  redraw();
  // sptStatus at (80, 0), 40 x 20: yellow (bright) picture, green (normal) text.
  EXPECT_EQ(at(81, 19), as565(0xFFFF00));
  EXPECT_EQ(guitest::countColour(canvas(), 80, 0, 40, 20, as565(0x0000FF)), 0);
  EXPECT_GT(guitest::countColour(canvas(), 80, 0, 40, 20, as565(0x00FF00)), 10);
  EXPECT_EQ(guitest::countColour(canvas(), 80, 0, 40, 20, as565(0xFF0000)), 0);
  // Status 1 switches the text colour too.
  sprite(u"sptStatus")->status = 1;
  redraw();
  EXPECT_GT(guitest::countColour(canvas(), 80, 0, 40, 20, as565(0xFF0000)), 10);
  EXPECT_EQ(guitest::countColour(canvas(), 80, 0, 40, 20, as565(0x00FF00)), 0);
}

TEST_F(PageTest, BitmapFontDrawsTildeFromCell94) {
  ASSERT_TRUE(load());
  redraw();
  auto cellColour = [](int cell) {
    return uint32_t(((cell * 8) & 0xF8) << 16 | ((255 - cell * 2) & 0xFC) << 8 | 0x80);
  };
  // "~!" at (130 + 1, 0), glyphs scaled to the 12-pixel text size.
  EXPECT_EQ(at(131 + 6, 6), as565(cellColour(94)));
  EXPECT_EQ(at(131 + 11, 11), as565(cellColour(94)));
  EXPECT_EQ(at(131 + 12 + 6, 6), as565(cellColour(1)));  // '!' is cell 1
}

TEST(BitmapFontLayout, FormattedTextBreaksAtLineFeedsAndBlanks) {
  std::string folder = guitest::makePageFolder();
  BitmapFont font(guitest::gameFolder(folder) + u"font.gif", 16, 6, 1, 32);
  ASSERT_TRUE(font.valid());
  auto colourOf = [](int cell) {
    return as565(uint32_t(((cell * 8) & 0xF8) << 16 | ((255 - cell * 2) & 0xFC) << 8 | 0x80));
  };
  Image surface(64, 32, true);
  Sprite sprite(0, 0, 60, 30);
  sprite.bitmapFont = &font;
  sprite.textSize = 4;
  sprite.setText(u"Press\\nOK");
  ASSERT_EQ(sprite.text(), os::WString(u"Press\n\rOK"));
  sprite.draw(&surface, 0, 0, 0, 0, 0);
  // Upper-case conversion: 'P' (cell 48) then, one glyph lower, 'O' (cell 47).
  EXPECT_EQ(surface.getPixel(1 + 1, 1), colourOf('P' - 32));
  EXPECT_EQ(surface.getPixel(1 + 1, 4 + 1), colourOf('O' - 32));
  // One line: the line feed and carriage return are glyphs (below the start: cell 0).
  surface.clear(0);
  sprite.formatted = false;
  sprite.draw(&surface, 0, 0, 0, 0, 0);
  EXPECT_EQ(surface.getPixel(1 + 5 * 4 + 1, 1), colourOf(0));
  EXPECT_EQ(surface.getPixel(1 + 7 * 4 + 1, 1), colourOf('O' - 32));
  // Word wrap: "AB CD" in a box three glyphs wide breaks after the blank.
  surface.clear(0);
  os::RECT box{0, 0, 12, 32};
  font.drawFormatted(&surface, 0, box, u"AB CD", 4, 0);
  EXPECT_EQ(surface.getPixel(1, 1), colourOf('A' - 32));
  EXPECT_EQ(surface.getPixel(1, 5), colourOf('C' - 32));
  // Centred lines.
  surface.clear(0);
  os::RECT wide{0, 0, 20, 32};
  font.drawFormatted(&surface, 0, wide, u"AB", 4, 1);
  EXPECT_EQ(surface.getPixel(6 + 1, 1), colourOf('A' - 32));
}

TEST_F(PageTest, ASharedAnimatedPictureAdvancesOncePerFrame) {
  ASSERT_TRUE(load());
  Texture* anim = canvas().imageCache().stored(u"anim.gif");
  ASSERT_NE(anim, nullptr);
  ASSERT_EQ(anim->frameCount, 3);
  EXPECT_TRUE(anim->animated);
  EXPECT_EQ(sprite(u"sptAnimA")->texture, sprite(u"sptAnimB")->texture);
  canvas().setFrameTime(0.15f);  // longer than one frame's delay of 0.1 s
  canvas().drawScenes();
  EXPECT_EQ(anim->currentFrame, 1);
  canvas().setFrameTime(0.05f);
  canvas().drawScenes();
  EXPECT_EQ(anim->currentFrame, 1);
  canvas().setFrameTime(0.06f);  // 0.11 s in this frame now
  canvas().drawScenes();
  EXPECT_EQ(anim->currentFrame, 2);
  canvas().setFrameTime(0.15f);
  canvas().drawScenes();
  EXPECT_EQ(anim->currentFrame, 0);  // looping
  // What the page shows: the first sprite drew frame 2 before the step, the second
  // sprite the frame after it.
  EXPECT_EQ(at(180, 0), as565(0x00FFFF));
  EXPECT_EQ(at(200, 0), as565(0xFFFFFF));
}

TEST_F(PageTest, BufferedScenesRenderOnFullRedrawAndCopyWithTheirKey) {
  ASSERT_TRUE(load());
  Scene* box = canvas().findScene(u"sceneBox");
  ASSERT_TRUE(box->buffered);
  ASSERT_NE(box->surface, nullptr);
  redraw();
  EXPECT_EQ(at(30, 230), as565(0x008000));
  EXPECT_EQ(at(33, 233), as565(0xFFFFFF));
  // A running page leaves the surface as rendered: frames only copy it.
  sprite(u"sptBoxed")->colour = 0x0000FF;
  canvas().setFrameTime(0.1f);
  canvas().drawScenes();
  EXPECT_EQ(at(33, 233), as565(0xFFFFFF));
  redraw();
  EXPECT_EQ(at(33, 233), as565(0x0000FF));
  // Without a background the transparent colour shows the page beneath.
  box->backgroundColour = -1;
  canvas().backBuffer()->fill(0x123456, 30, 230, 20, 20);
  redraw();
  EXPECT_EQ(at(30, 230), as565(0x123456));
}

TEST_F(PageTest, UnbufferedScenesAreSkippedOnAFullRedrawWhileRunning) {
  ASSERT_TRUE(load());
  redraw();
  canvas().backBuffer()->fill(0x00FF00, 0, 0, 240, 320);
  canvas().resume();
  canvas().renderNow(true);
  EXPECT_EQ(at(200, 100), as565(0x00FF00));
  canvas().suspend();
  canvas().renderNow(true);
  EXPECT_EQ(at(200, 100), as565(0x000040));
}

TEST(SpriteDrawing, OutlinesFillsAndTheDcVariant) {
  Image surface(40, 40, true);
  Sprite sprite(10, 10, 8, 6);
  sprite.colour = 0x0000FF;
  sprite.frameColour = 0xFFFFFF;
  sprite.draw(&surface, 0, 10, 10, 0, 0);
  EXPECT_EQ(surface.getPixel(9, 9), as565(0xFFFFFF));    // one pixel outside
  EXPECT_EQ(surface.getPixel(18, 16), as565(0xFFFFFF));  // right and bottom edges
  EXPECT_EQ(surface.getPixel(10, 10), as565(0x0000FF));
  EXPECT_EQ(surface.getPixel(17, 15), as565(0x0000FF));
  EXPECT_EQ(surface.getPixel(19, 17), 0u);
  // The same through the surface's device context.
  Image other(40, 40, true);
  sprite.draw(nullptr, other.dc(), 10, 10, 0, 0);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 40; ++x) ASSERT_EQ(other.getPixel(x, y), surface.getPixel(x, y)) << x << "," << y;
}

TEST(SpriteText, EscapesAndCapacity) {
  Sprite sprite(0, 0, 10, 10);
  EXPECT_EQ(sprite.textCapacity, 5);
  sprite.setText(u"Time^c 12\\nGo");
  EXPECT_EQ(sprite.text(), os::WString(u"Time:  12\n\rGo"));
  EXPECT_EQ(sprite.textCapacity, 14);  // 13 characters and the terminator
  sprite.setText(u"ab");
  EXPECT_EQ(sprite.textCapacity, 14);  // the buffer only grows
  sprite.setText(u"ab", true);
  EXPECT_EQ(sprite.textCapacity, 3);
}

TEST(TextureSizes, PowersOfTwo) {
  struct Case {
    int size;
    bool roundUp;
    int exponent;
  } cases[] = {{1, false, 0}, {2, false, 1}, {3, false, 1}, {5, false, 2}, {6, false, 2}, {7, false, 3},
               {24, false, 4}, {100, false, 7}, {3, true, 2}, {17, true, 5}, {64, true, 6}, {0, true, 0}};
  for (const Case& c : cases)
    EXPECT_EQ(Texture::exponentFor(c.size, c.roundUp), c.exponent) << c.size << " " << c.roundUp;
}

TEST(TextureSizes, LoadAdjustsAndResizePadsOrStretches) {
  std::string folder = guitest::makePageFolder();
  os::WString game = guitest::gameFolder(folder);
  Texture nearest;
  ASSERT_TRUE(nearest.load(game + u"halves.gif", true, false));  // 32 x 16 stays
  EXPECT_EQ(nearest.width(), 32);
  Texture stretched;
  ASSERT_TRUE(stretched.load(game + u"yellow.gif", true, false));  // 40 x 20 -> 32 x 16
  EXPECT_EQ(stretched.width(), 32);
  EXPECT_EQ(stretched.height(), 16);
  EXPECT_EQ(stretched.sourceWidth, 40);
  EXPECT_EQ(stretched.currentImage()->getPixel(31, 15), as565(0xFFFF00));
  Texture padded;
  ASSERT_TRUE(padded.load(game + u"yellow.gif", true, true));  // -> 64 x 32, picture top-left
  EXPECT_EQ(padded.width(), 64);
  EXPECT_EQ(padded.height(), 32);
  EXPECT_EQ(padded.currentImage()->getPixel(39, 19), as565(0xFFFF00));
  EXPECT_EQ(padded.fileName, u"yellow.gif");
  Texture anim;
  ASSERT_TRUE(anim.load(game + u"anim.gif", false, false));
  anim.resize(4, 4, false);
  EXPECT_EQ(anim.frameImage(2)->width(), 4);
  anim.setFrame(7);
  EXPECT_EQ(anim.currentFrame, 2);
  anim.animate(-1.0f);  // a negative time steps at once
  EXPECT_EQ(anim.currentFrame, 0);
  anim.looping = false;
  anim.setFrame(2);
  anim.animate(-1.0f);
  EXPECT_EQ(anim.currentFrame, 2);
  Texture none;
  EXPECT_FALSE(none.load(game + u"nothing.gif", false, false));
  EXPECT_EQ(none.currentImage(), nullptr);
  none.animate(1.0f);
  none.setFrame(1);
}

TEST(SpriteTextures, AlphaOfAnotherSizeIsDroppedAndClipsDefaultToTheWholePicture) {
  std::string folder = guitest::makePageFolder();
  os::WString game = guitest::gameFolder(folder);
  Texture picture, alpha;
  ASSERT_TRUE(picture.load(game + u"red.gif", false, false));
  ASSERT_TRUE(alpha.load(game + u"blue.gif", false, false));
  Sprite sprite(0, 0, -1, -1);
  sprite.setTextures(&picture, nullptr, &alpha, -1, 0, 4, 4);
  EXPECT_EQ(sprite.alphaTexture, nullptr);
  EXPECT_EQ(sprite.width, 32);
  EXPECT_EQ(sprite.clipW, 32);
  EXPECT_EQ(sprite.clipH, 16);
  Sprite clipped(0, 0, 10, 10);
  clipped.setTextures(&picture, nullptr, nullptr, 1, 2, 3, 4);
  EXPECT_EQ(clipped.clipX, 1);
  EXPECT_EQ(clipped.clipH, 4);
  clipped.normalizeTextures();
  EXPECT_EQ(picture.width(), 10);
  EXPECT_EQ(clipped.clipW, 10);
}

TEST(ImageCacheTest, NamesAreKeysAnd3DTexturesArePowersOfTwo) {
  std::string folder = guitest::makePageFolder();
  os::WString game = guitest::gameFolder(folder);
  ImageCache cache;
  EXPECT_EQ(cache.get(game, nullptr, false, false), nullptr);
  Texture* first = cache.get(game, u"yellow.gif", false, false);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->width(), 40);
  EXPECT_EQ(cache.get(game, u"yellow.gif", true, true), first);  // a hit, whatever the flags
  EXPECT_EQ(cache.hits(), 1);
  // The 3D engine's textures come through the same cache.
  MaterialTexture* chip = static_cast<TextureSource&>(cache).acquire(game, u"anim.gif");
  ASSERT_NE(chip, nullptr);
  EXPECT_EQ(chip->width(), 8);
  EXPECT_TRUE(chip->isAnimated());
  chip->advance(0.2f, 7);
  EXPECT_EQ(chip->lastAdvancedFrame(), 7);
  EXPECT_EQ(cache.stored(u"anim.gif")->currentFrame, 1);
  MaterialTexture* odd = static_cast<TextureSource&>(cache).acquire(game, u"blue.gif");
  EXPECT_EQ(odd->width(), 32);  // 40 x 20 to the nearest powers
  EXPECT_EQ(odd->height(), 16);
  EXPECT_EQ(odd->transparentColour(), -1);
  // A missing picture is kept as an empty texture: no second report.
  MaterialTexture* missing = static_cast<TextureSource&>(cache).acquire(game, u"none.gif");
  ASSERT_NE(missing, nullptr);
  EXPECT_EQ(missing->currentImage(), nullptr);
  EXPECT_EQ(missing->width(), 0);
  cache.clear();
  EXPECT_EQ(cache.size(), 0u);
}
