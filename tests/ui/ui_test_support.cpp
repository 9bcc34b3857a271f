#include "tests/ui/ui_test_support.h"

#include <cstdint>

namespace uitest {

UiTest::UiTest() {
    m_app = std::make_unique<ui::App>("Vastrel");
    m_app->SetProfilePath(m_dir / "Vastrel.ini");
}

UiTest::~UiTest() {
    Pump();
    m_app.reset();
}

PickerRecorder::PickerRecorder() {
    m_previous = ui::SetPickerHook([this](const ui::PickerRequest& request) {
        requests.push_back(request);
        if (answers.empty()) return ui::PickerAnswer{};
        ui::PickerAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    });
}

PickerRecorder::~PickerRecorder() { ui::SetPickerHook(m_previous); }

void Pump(int milliseconds) {
    DWORD start = GetTickCount();
    do {
        ui::PumpWaitingMessages();
        if (milliseconds > 0) Sleep(5);
    } while (static_cast<int>(GetTickCount() - start) < milliseconds);
}

namespace {

uint32_t Crc(const uint8_t* data, size_t n, uint32_t crc = 0) {
    static uint32_t table[256];
    static bool ready = false;
    if (!ready) {
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[i] = c;
        }
        ready = true;
    }
    crc = ~crc;
    for (size_t i = 0; i < n; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

void Put32(std::string& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>((v >> shift) & 0xFF));
}

void Chunk(std::string& png, const char* type, const std::string& data) {
    Put32(png, static_cast<uint32_t>(data.size()));
    std::string body = std::string(type, 4) + data;
    png += body;
    Put32(png, Crc(reinterpret_cast<const uint8_t*>(body.data()), body.size()));
}

// A PNG of 24-bit rows (top row first, RGB), compressed with stored blocks.
std::string EncodePng(int width, int height, const std::vector<uint8_t>& rgb) {
    std::string raw;
    for (int y = 0; y < height; ++y) {
        raw.push_back('\0');
        raw.append(reinterpret_cast<const char*>(&rgb[static_cast<size_t>(y) * width * 3]), static_cast<size_t>(width) * 3);
    }
    std::string z = "\x78\x01";
    uint32_t a = 1, b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    for (size_t pos = 0; pos < raw.size() || pos == 0;) {
        size_t n = std::min<size_t>(65535, raw.size() - pos);
        bool last = pos + n >= raw.size();
        z.push_back(last ? 1 : 0);
        z.push_back(static_cast<char>(n & 0xFF));
        z.push_back(static_cast<char>(n >> 8));
        z.push_back(static_cast<char>(~n & 0xFF));
        z.push_back(static_cast<char>((~n >> 8) & 0xFF));
        z.append(raw, pos, n);
        pos += n;
        if (last) break;
    }
    Put32(z, (b << 16) | a);
    std::string png = "\x89PNG\r\n\x1a\n";
    std::string header;
    Put32(header, static_cast<uint32_t>(width));
    Put32(header, static_cast<uint32_t>(height));
    header += std::string("\x08\x02\x00\x00\x00", 5);
    Chunk(png, "IHDR", header);
    Chunk(png, "IDAT", z);
    Chunk(png, "IEND", "");
    return png;
}

std::string ScreenshotFolder() {
    char module[MAX_PATH + 1] = {};
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    std::string dir = module;
    // Up to the build folder (the one holding CMakeCache.txt).
    for (;;) {
        size_t slash = dir.find_last_of('\\');
        if (slash == std::string::npos) return "";
        dir.resize(slash);
        if (GetFileAttributesA((dir + "\\CMakeCache.txt").c_str()) != INVALID_FILE_ATTRIBUTES) break;
    }
    dir += "\\screenshots";
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir;
}

}  // namespace

namespace {

// Takes the window's rectangle from the screen as it is now.
void Capture(HWND window, const std::string& name) {
    RECT r;
    GetWindowRect(window, &r);
    int width = r.right - r.left, height = r.bottom - r.top;
    if (width <= 0 || height <= 0) return;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    std::vector<uint8_t> rgb;
    if (bitmap && bits) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
        GdiFlush();
        const uint8_t* p = static_cast<const uint8_t*>(bits);
        rgb.resize(static_cast<size_t>(width) * height * 3);
        for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i) {
            rgb[i * 3] = p[i * 4 + 2];
            rgb[i * 3 + 1] = p[i * 4 + 1];
            rgb[i * 3 + 2] = p[i * 4];
        }
        SelectObject(memory, old);
    }
    if (bitmap) DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    std::string folder = ScreenshotFolder();
    if (rgb.empty() || folder.empty()) return;
    testsupport::WriteFile(folder + "\\" + name + ".png", EncodePng(width, height, rgb));
}

thread_local HHOOK t_closingHook = nullptr;
thread_local int t_closed = 0;

// Every visible top-level window is photographed as it closes.
LRESULT CALLBACK OnWindowClosing(int code, WPARAM w, LPARAM l) {
    HWND window = reinterpret_cast<HWND>(w);
    if (code == HCBT_DESTROYWND && IsWindowVisible(window) && !(GetWindowLongPtrA(window, GWL_STYLE) & WS_CHILD)) {
        const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = test ? std::string(test->test_suite_name()) + "." + test->name() : "window";
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
        Capture(window, name + "-" + std::to_string(++t_closed));
    }
    return CallNextHookEx(nullptr, code, w, l);
}

}  // namespace

void SaveScreenshot(HWND window, const std::string& name) {
    if (!window || !IsWindow(window)) return;
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Pump(100);
    Capture(window, name);
}

ScreenshotsOnClose::ScreenshotsOnClose() {
    if (!t_closingHook) {
        t_closingHook = SetWindowsHookExA(WH_CBT, &OnWindowClosing, nullptr, GetCurrentThreadId());
        m_installed = true;
    }
    t_closed = 0;
}

ScreenshotsOnClose::~ScreenshotsOnClose() {
    if (m_installed && t_closingHook) UnhookWindowsHookEx(t_closingHook);
    if (m_installed) t_closingHook = nullptr;
}

}  // namespace uitest
