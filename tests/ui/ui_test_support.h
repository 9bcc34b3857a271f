#pragma once
// What the window tests share: an application object with a profile file of
// its own, a recorder that answers the pickers, a pump that never waits,
// and screenshots of the windows the tests open.
#include <windows.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/test_support.h"
#include "ui/app.h"
#include "ui/prompts.h"

namespace uitest {

// While alive, every visible top-level window of the thread is saved as a
// screenshot ("<suite>.<test>-<n>.png") when it closes.
class ScreenshotsOnClose {
public:
    ScreenshotsOnClose();
    ~ScreenshotsOnClose();
    ScreenshotsOnClose(const ScreenshotsOnClose&) = delete;
    ScreenshotsOnClose& operator=(const ScreenshotsOnClose&) = delete;

private:
    bool m_installed = false;
};

// A fixture with an application object whose profile lives in a fresh
// folder, and a message recorder.
class UiTest : public ::testing::Test {
protected:
    UiTest();
    ~UiTest() override;
    std::string ProfileText() const { return testsupport::Exists(m_app->ProfilePath()) ? testsupport::ReadFile(m_app->ProfilePath()) : ""; }

    ScreenshotsOnClose m_screenshots;
    testsupport::TempDir m_dir;
    std::unique_ptr<ui::App> m_app;
    testsupport::MessageRecorder m_messages;
};

// Answers every picker while alive and keeps the requests.
class PickerRecorder {
public:
    PickerRecorder();
    ~PickerRecorder();
    std::vector<ui::PickerRequest> requests;
    std::deque<ui::PickerAnswer> answers;  // then: nothing chosen

private:
    ui::PickerHook m_previous;
};

// Runs waiting messages for about the given time without ever blocking.
void Pump(int milliseconds = 0);

// Saves a PNG of the window as it is on the screen into the build folder's
// "screenshots" folder, for people to look at.
void SaveScreenshot(HWND window, const std::string& name);

// A width and height.
inline SIZE SizeOf(const RECT& r) { return SIZE{r.right - r.left, r.bottom - r.top}; }

}  // namespace uitest
