// The game's own message box: the page template KS.messagebox.properties merged into
// any canvas (menus or race) and shown over its page with a text, an id that tells the
// canvas's button handler which question is open, and OK, Yes/No or no buttons.
// Missing template objects are skipped; without the scene "sceneMessageBox" nothing is
// shown. The race page's prompts (quit, replay, results) can be shown through it.
#pragma once

#include "platform/Text.h"

class Canvas;

enum MessageBoxButtons { MessageBoxOk = 0, MessageBoxYesNo = 1, MessageBoxNoButtons = 2 };

// Message ids and texts of the prompts.
extern const char16_t* const MessageQuit;        // "QUIT"
extern const char16_t* const MessageReplay;      // "REPLAY"
extern const char16_t* const MessageFinishRace;  // "FINISH_RACE"
extern const char16_t* const MessageFinishDemo;  // "FINISH_DEMO"
extern const char16_t* const MessageLoading;     // "LOADING"

// Shows the message; the template (filePrefix + templateName, from the GUI folder next
// to the program) is merged into the canvas the first time. animate slides the box in
// from the right in eight refreshed steps.
void showMessageBox(Canvas& canvas, os::WStringView text, os::WStringView id, int buttons, bool animate,
                    os::WStringView filePrefix, os::WStringView templateName = u"messagebox.properties");
void closeMessageBox(Canvas& canvas, bool animate);
bool isMessageBoxShowing(const Canvas& canvas);
// The id of the open (or last) message, empty without a box.
os::WString messageBoxId(const Canvas& canvas);
