// The SDL backend: one desktop window showing the device screen scaled with its aspect
// kept (nearest-pixel), keyboard and gamepad as the handheld's keys, the mouse (or a
// touch screen) as the stylus, and SDL message boxes. The window appears with the
// program's first top-level window and carries its title.

// Keys: arrows, Enter, Space, Escape, Backspace, Tab, Delete, Home, End, Page Up/Down,
// Insert, Shift, left Ctrl, A-Z, 0-9, F1-F8 as themselves; F9-F12 = application keys
// 0xC1-0xC4; keypad 8/2/4/6 = arrows, keypad 5 and right Ctrl = action key 0x86,
// keypad 7/9/1/3 = application keys 0xC1-0xC4. Gamepad: d-pad and left stick = arrows,
// A = action, X/Y/B/Start = application keys 0xC1-0xC4. The left mouse button is the
// stylus; moves without it held are not passed on (a stylus cannot hover).
#include <SDL.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/BackendDriver.h"
#include "platform/Device.h"
#include "platform/Screen.h"

namespace os {
namespace detail {

namespace {

struct SdlState {
  SDL_Window* window = nullptr;
  SDL_Renderer* renderer = nullptr;
  SDL_Texture* screenTexture = nullptr;
  SDL_Texture* rawTexture = nullptr;
  std::vector<uint16_t> rawPixels;   // raw frame buffer laid out in rows for the texture
  bool stylusDown = false;
  SDL_GameController* pad = nullptr;
  uint32_t stickKeyX = 0;            // arrow held by the left stick, 0 for none
  uint32_t stickKeyY = 0;
  std::string pendingTitle;
};

SdlState& sdl() {
  static SdlState* s = new SdlState;
  return *s;
}

uint32_t virtualKeyFor(SDL_Keycode key) {
  if (key >= SDLK_a && key <= SDLK_z) return uint32_t('A' + (key - SDLK_a));
  if (key >= SDLK_0 && key <= SDLK_9) return uint32_t('0' + (key - SDLK_0));
  if (key >= SDLK_F1 && key <= SDLK_F8) return VK_F1 + uint32_t(key - SDLK_F1);
  switch (key) {
    case SDLK_LEFT: case SDLK_KP_4: return VK_LEFT;
    case SDLK_RIGHT: case SDLK_KP_6: return VK_RIGHT;
    case SDLK_UP: case SDLK_KP_8: return VK_UP;
    case SDLK_DOWN: case SDLK_KP_2: return VK_DOWN;
    case SDLK_RETURN: case SDLK_KP_ENTER: return VK_RETURN;
    case SDLK_SPACE: return VK_SPACE;
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_BACKSPACE: return VK_BACK;
    case SDLK_TAB: return VK_TAB;
    case SDLK_DELETE: return VK_DELETE;
    case SDLK_HOME: return VK_HOME;
    case SDLK_END: return VK_END;
    case SDLK_PAGEUP: return VK_PRIOR;
    case SDLK_PAGEDOWN: return VK_NEXT;
    case SDLK_INSERT: return VK_INSERT;
    case SDLK_LSHIFT: case SDLK_RSHIFT: return VK_SHIFT;
    case SDLK_LCTRL: return VK_CONTROL;
    case SDLK_RCTRL: case SDLK_KP_5: return VK_ACTION;
    case SDLK_F9: case SDLK_KP_7: return VK_APP1;
    case SDLK_F10: case SDLK_KP_9: return VK_APP2;
    case SDLK_F11: case SDLK_KP_1: return VK_APP3;
    case SDLK_F12: case SDLK_KP_3: return VK_APP4;
    default: return 0;
  }
}

uint32_t virtualKeyForButton(uint8_t button) {
  switch (button) {
    case SDL_CONTROLLER_BUTTON_DPAD_LEFT: return VK_LEFT;
    case SDL_CONTROLLER_BUTTON_DPAD_RIGHT: return VK_RIGHT;
    case SDL_CONTROLLER_BUTTON_DPAD_UP: return VK_UP;
    case SDL_CONTROLLER_BUTTON_DPAD_DOWN: return VK_DOWN;
    case SDL_CONTROLLER_BUTTON_A: return VK_ACTION;
    case SDL_CONTROLLER_BUTTON_X: return VK_APP1;
    case SDL_CONTROLLER_BUTTON_Y: return VK_APP2;
    case SDL_CONTROLLER_BUTTON_B: return VK_APP3;
    case SDL_CONTROLLER_BUTTON_START: return VK_APP4;
    default: return 0;
  }
}

// Where an image of imageW x imageH goes in an area of areaW x areaH: as large as it
// fits with its aspect kept, centred.
SDL_Rect fitRect(int areaW, int areaH, int imageW, int imageH) {
  SDL_Rect r{0, 0, areaW, areaH};
  if (imageW <= 0 || imageH <= 0 || areaW <= 0 || areaH <= 0) return r;
  if (int64_t(areaW) * imageH > int64_t(areaH) * imageW) {
    r.w = int(int64_t(areaH) * imageW / imageH);
    r.x = (areaW - r.w) / 2;
  } else {
    r.h = int(int64_t(areaW) * imageH / imageW);
    r.y = (areaH - r.h) / 2;
  }
  return r;
}

bool available() {
  const char* x = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (x && *x) || (wayland && *wayland);
}

bool init() {
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");  // Ctrl+C ends the game as usual
  SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "0");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) return false;
  // Drivers that show nothing are no display: the headless backend serves better.
  const char* driver = SDL_GetCurrentVideoDriver();
  if (!driver || SDL_strcmp(driver, "offscreen") == 0 || SDL_strcmp(driver, "dummy") == 0) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
    return false;
  }
  SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER);  // optional
  return true;
}

void shutdown() {
  SdlState& s = sdl();
  if (s.renderer) SDL_DestroyRenderer(s.renderer);
  if (s.window) SDL_DestroyWindow(s.window);
  s.renderer = nullptr;
  s.window = nullptr;
  SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS | SDL_INIT_GAMECONTROLLER);
}

void present();

void ensureWindow() {
  SdlState& s = sdl();
  if (s.window) return;
  const DeviceProfile& p = deviceProfile();
  // Twice the device size for comfort, smaller when the desktop cannot hold it.
  int scale = 2;
  SDL_Rect usable;
  if (SDL_GetDisplayUsableBounds(0, &usable) == 0) {
    while (scale > 1 && (p.screenWidth * scale > usable.w || p.screenHeight * scale > usable.h)) --scale;
  }
  int x = SDL_WINDOWPOS_CENTERED, y = SDL_WINDOWPOS_CENTERED;
  int w = p.screenWidth * scale, h = p.screenHeight * scale;
  // Relaunched: where the previous instance's window was.
  if (const char* place = std::getenv(kWindowGeometryVariable)) {
    int px, py, pw, ph;
    if (std::sscanf(place, "%d,%d,%d,%d", &px, &py, &pw, &ph) == 4 && pw >= 16 && ph >= 16 && pw <= 16384 &&
        ph <= 16384) {
      x = px;
      y = py;
      w = pw;
      h = ph;
    }
  }
  s.window = SDL_CreateWindow(s.pendingTitle.empty() ? "Kestrune" : s.pendingTitle.c_str(), x, y, w, h,
                              SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI);
  if (!s.window) return;
  s.renderer = SDL_CreateRenderer(s.window, -1, 0);
  if (!s.renderer) s.renderer = SDL_CreateRenderer(s.window, -1, SDL_RENDERER_SOFTWARE);
  if (s.renderer) {
    s.screenTexture = SDL_CreateTexture(s.renderer, SDL_PIXELFORMAT_RGB565, SDL_TEXTUREACCESS_STREAMING,
                                        p.screenWidth, p.screenHeight);
  }
  present();
}

void present() {
  SdlState& s = sdl();
  if (!s.renderer) return;
  SDL_Texture* texture = s.screenTexture;
  int w = 0, h = 0;
  if (rawFrameBufferShown()) {
    const RawFrameBuffer& raw = rawFrameBuffer();
    if (!s.rawTexture) {
      s.rawTexture = SDL_CreateTexture(s.renderer, SDL_PIXELFORMAT_RGB565, SDL_TEXTUREACCESS_STREAMING, raw.width,
                                       raw.height);
    }
    s.rawPixels.resize(size_t(raw.width) * size_t(raw.height));
    uint16_t* out = s.rawPixels.data();
    for (int32_t y = 0; y < raw.height; ++y) {
      const uint8_t* row = raw.origin + ptrdiff_t(y) * raw.yPitch;
      for (int32_t x = 0; x < raw.width; ++x) *out++ = *reinterpret_cast<const uint16_t*>(row + ptrdiff_t(x) * raw.xPitch);
    }
    texture = s.rawTexture;
    if (texture) SDL_UpdateTexture(texture, nullptr, s.rawPixels.data(), raw.width * 2);
    w = raw.width;
    h = raw.height;
  } else if (texture) {
    PixelSurface& screen = screenSurface();
    SDL_UpdateTexture(texture, nullptr, screen.bits, screen.pitch);
    w = screen.width;
    h = screen.height;
  }
  SDL_SetRenderDrawColor(s.renderer, 0, 0, 0, 255);
  SDL_RenderClear(s.renderer);
  if (texture) {
    int outW = 0, outH = 0;
    SDL_GetRendererOutputSize(s.renderer, &outW, &outH);
    SDL_Rect dst = fitRect(outW, outH, w, h);
    SDL_RenderCopy(s.renderer, texture, nullptr, &dst);
  }
  SDL_RenderPresent(s.renderer);
}

// Window point to device screen point; false when it lies outside the shown screen.
bool toScreen(int wx, int wy, int32_t& x, int32_t& y) {
  SdlState& s = sdl();
  const DeviceProfile& p = deviceProfile();
  int ww = 0, wh = 0;
  SDL_GetWindowSize(s.window, &ww, &wh);
  SDL_Rect r = fitRect(ww, wh, p.screenWidth, p.screenHeight);
  if (r.w <= 0 || r.h <= 0) return false;
  int64_t sx = int64_t(wx - r.x) * p.screenWidth;
  int64_t sy = int64_t(wy - r.y) * p.screenHeight;
  x = int32_t(sx >= 0 ? sx / r.w : -1);
  y = int32_t(sy >= 0 ? sy / r.h : -1);
  bool inside = x >= 0 && y >= 0 && x < p.screenWidth && y < p.screenHeight;
  if (x < 0) x = 0;
  if (y < 0) y = 0;
  if (x >= p.screenWidth) x = p.screenWidth - 1;
  if (y >= p.screenHeight) y = p.screenHeight - 1;
  return inside;
}

void stickAxis(int value, uint32_t negative, uint32_t positive, uint32_t& held) {
  // Hysteresis: press beyond half deflection, release below a quarter.
  uint32_t wanted = held;
  if (value < -16000) wanted = negative;
  else if (value > 16000) wanted = positive;
  else if (value > -8000 && value < 8000) wanted = 0;
  if (wanted == held) return;
  if (held) queueKey(held, false, false);
  held = wanted;
  if (held) queueKey(held, true, false);
}

void pumpEvents() {
  SdlState& s = sdl();
  SDL_Event e;
  while (SDL_PollEvent(&e)) {
    switch (e.type) {
      case SDL_QUIT:
        queueCloseRequest();
        break;
      case SDL_WINDOWEVENT:
        if (e.window.event == SDL_WINDOWEVENT_FOCUS_GAINED) queueActivation(true);
        else if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST) queueActivation(false);
        else if (e.window.event == SDL_WINDOWEVENT_EXPOSED || e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) present();
        break;
      case SDL_KEYDOWN:
      case SDL_KEYUP:
        if (uint32_t vk = virtualKeyFor(e.key.keysym.sym)) {
          queueKey(vk, e.type == SDL_KEYDOWN, e.key.repeat != 0);
        }
        break;
      case SDL_MOUSEBUTTONDOWN: {
        int32_t x, y;
        if (e.button.button == SDL_BUTTON_LEFT && !s.stylusDown && s.window && toScreen(e.button.x, e.button.y, x, y)) {
          s.stylusDown = true;
          queuePointer(x, y, PointerPhase::Down);
        }
        break;
      }
      case SDL_MOUSEMOTION: {
        int32_t x, y;
        if (s.stylusDown) {
          toScreen(e.motion.x, e.motion.y, x, y);
          queuePointer(x, y, PointerPhase::Move);
        }
        break;
      }
      case SDL_MOUSEBUTTONUP: {
        int32_t x, y;
        if (e.button.button == SDL_BUTTON_LEFT && s.stylusDown) {
          s.stylusDown = false;
          toScreen(e.button.x, e.button.y, x, y);
          queuePointer(x, y, PointerPhase::Up);
        }
        break;
      }
      case SDL_CONTROLLERDEVICEADDED:
        if (!s.pad) s.pad = SDL_GameControllerOpen(e.cdevice.which);
        break;
      case SDL_CONTROLLERDEVICEREMOVED:
        if (s.pad && SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(s.pad)) == e.cdevice.which) {
          SDL_GameControllerClose(s.pad);
          s.pad = nullptr;
        }
        break;
      case SDL_CONTROLLERBUTTONDOWN:
      case SDL_CONTROLLERBUTTONUP:
        if (uint32_t vk = virtualKeyForButton(e.cbutton.button)) queueKey(vk, e.type == SDL_CONTROLLERBUTTONDOWN, false);
        break;
      case SDL_CONTROLLERAXISMOTION:
        if (e.caxis.axis == SDL_CONTROLLER_AXIS_LEFTX) stickAxis(e.caxis.value, VK_LEFT, VK_RIGHT, s.stickKeyX);
        else if (e.caxis.axis == SDL_CONTROLLER_AXIS_LEFTY) stickAxis(e.caxis.value, VK_UP, VK_DOWN, s.stickKeyY);
        break;
      default:
        break;
    }
  }
}

void waitEvents(int timeoutMs) { SDL_WaitEventTimeout(nullptr, timeoutMs); }

void topLevelShown(HWND) { ensureWindow(); }

void setTitle(WStringView title) {
  SdlState& s = sdl();
  s.pendingTitle = toUtf8(title);
  if (s.window) SDL_SetWindowTitle(s.window, s.pendingTitle.c_str());
}

void raise() {
  SdlState& s = sdl();
  if (!s.window) return;
  if (SDL_GetWindowFlags(s.window) & SDL_WINDOW_MINIMIZED) SDL_RestoreWindow(s.window);
  SDL_RaiseWindow(s.window);
}

int messageBox(WStringView text, WStringView caption, uint32_t type, int defaultAnswer) {
  SDL_MessageBoxButtonData buttons[3];
  int ids[3] = {IDOK, 0, 0};
  const char* names[3] = {"OK", nullptr, nullptr};
  int count = 1;
  switch (type & 0xF) {
    case MB_OKCANCEL: ids[1] = IDCANCEL; names[1] = "Cancel"; count = 2; break;
    case MB_YESNOCANCEL:
      ids[0] = IDYES; names[0] = "Yes"; ids[1] = IDNO; names[1] = "No"; ids[2] = IDCANCEL; names[2] = "Cancel";
      count = 3;
      break;
    case MB_YESNO: ids[0] = IDYES; names[0] = "Yes"; ids[1] = IDNO; names[1] = "No"; count = 2; break;
    default: break;
  }
  int escapeAnswer = count == 1 ? IDOK : (type & 0xF) == MB_YESNO ? IDNO : IDCANCEL;
  for (int i = 0; i < count; ++i) {
    buttons[i].flags = 0;
    if (ids[i] == defaultAnswer) buttons[i].flags |= SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT;
    if (ids[i] == escapeAnswer) buttons[i].flags |= SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
    buttons[i].buttonid = ids[i];
    buttons[i].text = names[i];
  }
  uint32_t icon = type & 0xF0;
  uint32_t flags = icon == MB_ICONERROR ? SDL_MESSAGEBOX_ERROR
                   : icon == MB_ICONEXCLAMATION ? SDL_MESSAGEBOX_WARNING
                                                : SDL_MESSAGEBOX_INFORMATION;
  std::string title = toUtf8(caption), message = toUtf8(text);
  SDL_MessageBoxData data{};
  data.flags = flags | SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT;
  data.window = sdl().window;
  data.title = title.c_str();
  data.message = message.c_str();
  data.numbuttons = count;
  data.buttons = buttons;
  int pressed = -1;
  if (SDL_ShowMessageBox(&data, &pressed) != 0) return defaultAnswer;
  return pressed < 0 ? escapeAnswer : pressed;
}

void keepAwake() { SDL_DisableScreenSaver(); }

bool hostWindowGeometry(int& x, int& y, int& width, int& height) {
  SdlState& s = sdl();
  if (!s.window) return false;
  SDL_GetWindowPosition(s.window, &x, &y);
  SDL_GetWindowSize(s.window, &width, &height);
  return true;
}

bool create(BackendOps& ops) {
  ops.init = init;
  ops.shutdown = shutdown;
  ops.pumpEvents = pumpEvents;
  ops.waitEvents = waitEvents;
  ops.present = present;
  ops.topLevelShown = topLevelShown;
  ops.setTitle = setTitle;
  ops.raise = raise;
  ops.messageBox = messageBox;
  ops.keepAwake = keepAwake;
  ops.hostWindowGeometry = hostWindowGeometry;
  return true;
}

}  // namespace

const BackendDriver sdlBackendDriver = {"sdl", available, create};

}  // namespace detail
}  // namespace os
