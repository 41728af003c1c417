// lodemar-winprobe: looks at the windows of a running program and works
// them, for the checks under Wine. Every command waits for what it needs,
// polling until its time limit (LODEMAR_PROBE_SECONDS, 20 by default), and
// exits with 1 when it does not come.
//
//   lodemar-winprobe wait TITLE           a visible top-level window titled TITLE ("Prefix*" matches a
//   prefix) lodemar-winprobe gone TITLE           no such window any more lodemar-winprobe text TITLE ID the
//   text of control ID (0: the window's title) lodemar-winprobe controls TITLE       one line per control:
//   id, class, state, text lodemar-winprobe client TITLE         the client area, WIDTHxHEIGHT
//   lodemar-winprobe enabled TITLE        1 or 0
//   lodemar-winprobe click TITLE ID       a click on control ID (posted, so a modal box may follow)
//   lodemar-winprobe escape TITLE         the Escape key to the window
//   lodemar-winprobe answer CAPTION ID    prints a message box's text, then clicks its button ID
//   lodemar-winprobe shot TITLE FILE      the window as the screen shows it, frame included, as a BMP
//   lodemar-winprobe settext TITLE ID TEXT   sets the text of control ID (a file chooser's name field)
//   lodemar-winprobe syscommand TITLE ID  a system command (WM_SYSCOMMAND) to the window
//   lodemar-winprobe where TITLE ID [up|down]  the screen point at the middle of control ID (of its
//                                         upper or lower quarter), for a real click there
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

inline constexpr DWORD POLL_MS = 50;
inline constexpr int DEFAULT_SECONDS = 20;
inline constexpr int MESSAGE_TEXT_ID = 0xFFFF; // a message box's text

struct Search {
    std::string title;
    HWND found = nullptr;
};

std::string textOf(HWND window)
{
    char text[4096] = {};
    SendMessageTimeoutA(
        window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, nullptr);
    return text;
}

bool matches(const std::string& pattern, const std::string& title)
{
    if (!pattern.empty() && pattern.back() == '*')
        return title.compare(0, pattern.size() - 1, pattern, 0, pattern.size() - 1) == 0;
    return title == pattern;
}

BOOL CALLBACK findTopLevel(HWND window, LPARAM parameter)
{
    auto* search = reinterpret_cast<Search*>(parameter);
    if (IsWindowVisible(window) && matches(search->title, textOf(window))) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND findWindow(const std::string& title)
{
    Search search { title };
    EnumWindows(&findTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

DWORD limitMs()
{
    const char* seconds = std::getenv("LODEMAR_PROBE_SECONDS");
    const int value = seconds ? std::atoi(seconds) : 0;
    return DWORD(value > 0 ? value : DEFAULT_SECONDS) * 1000;
}

// The window, once it is there; nullptr at the time limit.
HWND awaitWindow(const std::string& title)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (HWND window = findWindow(title))
            return window;
        if (GetTickCount() - start > limitMs())
            return nullptr;
        Sleep(POLL_MS);
    }
}

HWND awaitControl(HWND window, int id)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (id == 0)
            return window;
        if (HWND control = GetDlgItem(window, id))
            return control;
        if (GetTickCount() - start > limitMs())
            return nullptr;
        Sleep(POLL_MS);
    }
}

BOOL CALLBACK printControl(HWND control, LPARAM)
{
    char windowClass[64] = {};
    GetClassNameA(control, windowClass, sizeof windowClass);
    const LRESULT check = SendMessageA(control, BM_GETCHECK, 0, 0);
    std::printf("%d %s %s%s%s %s\n", GetDlgCtrlID(control), windowClass, IsWindowVisible(control) ? "v" : "-",
        IsWindowEnabled(control) ? "e" : "-",
        std::strcmp(windowClass, "Button") == 0 && check == BST_CHECKED ? "c" : "-", textOf(control).c_str());
    return TRUE;
}

// The screen's pixels under the window's frame, as a 24-bit BMP.
bool writeShot(HWND window, const char* file)
{
    RECT frame {};
    GetWindowRect(window, &frame);
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    BITMAPINFO info {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height; // bottom-up, as BMP files keep rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP picture = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, picture);
    BitBlt(memory, 0, 0, width, height, screen, frame.left, frame.top, SRCCOPY);
    GdiFlush();
    const DWORD rowBytes = DWORD((width * 3 + 3) & ~3), size = rowBytes * DWORD(height);
    BITMAPFILEHEADER header {};
    header.bfType = 0x4D42; // "BM"
    header.bfOffBits = sizeof header + sizeof info.bmiHeader;
    header.bfSize = header.bfOffBits + size;
    bool written = false;
    if (FILE* out = std::fopen(file, "wb")) {
        written = std::fwrite(&header, sizeof header, 1, out) == 1
            && std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out) == 1
            && std::fwrite(bits, 1, size, out) == size;
        written = std::fclose(out) == 0 && written;
    }
    SelectObject(memory, old);
    DeleteObject(picture);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return written;
}

int fail(const char* what, const std::string& title)
{
    std::fprintf(stderr, "lodemar-winprobe: %s \"%s\"\n", what, title.c_str());
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: lodemar-winprobe COMMAND TITLE [ID]\n");
        return 2;
    }
    const std::string command = argv[1], title = argv[2];
    const int id = argc > 3 ? std::atoi(argv[3]) : 0;
    if (command == "gone") {
        const DWORD start = GetTickCount();
        while (findWindow(title)) {
            if (GetTickCount() - start > limitMs())
                return fail("still there:", title);
            Sleep(POLL_MS);
        }
        return 0;
    }
    HWND window = awaitWindow(title);
    if (!window)
        return fail("no window", title);
    if (command == "wait")
        return 0;
    if (command == "enabled") {
        std::printf("%d\n", IsWindowEnabled(window) ? 1 : 0);
        return 0;
    }
    if (command == "client") {
        RECT client {};
        GetClientRect(window, &client);
        std::printf("%ldx%ld\n", client.right, client.bottom);
        return 0;
    }
    if (command == "controls") {
        EnumChildWindows(window, &printControl, 0);
        return 0;
    }
    if (command == "shot" && argc > 3) {
        // Painted before it is taken.
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
        return writeShot(window, argv[3]) ? 0 : fail("cannot take a picture of", title);
    }
    if (command == "syscommand") {
        PostMessageA(window, WM_SYSCOMMAND, WPARAM(id), 0);
        return 0;
    }
    if (command == "escape") {
        PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 1);
        PostMessageA(window, WM_CHAR, VK_ESCAPE, 1);
        PostMessageA(window, WM_KEYUP, VK_ESCAPE, 0xC0000001);
        return 0;
    }
    if (command == "answer") {
        HWND text = awaitControl(window, MESSAGE_TEXT_ID);
        std::printf("%s\n", text ? textOf(text).c_str() : "");
        HWND button = awaitControl(window, id);
        if (!button)
            return fail("no such button in", title);
        SetForegroundWindow(window);
        PostMessageA(button, BM_CLICK, 0, 0);
        return 0;
    }
    HWND control = awaitControl(window, id);
    if (!control)
        return fail("no such control in", title);
    if (command == "settext" && argc > 4) {
        SendMessageTimeoutA(
            control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[4]), SMTO_ABORTIFHUNG, 2000, nullptr);
        return 0;
    }
    if (command == "where") {
        RECT area {};
        GetWindowRect(control, &area);
        const int height = area.bottom - area.top;
        int y = area.top + height / 2;
        if (argc > 4 && std::strcmp(argv[4], "up") == 0)
            y = area.top + height / 4;
        else if (argc > 4 && std::strcmp(argv[4], "down") == 0)
            y = area.bottom - height / 4 - 1;
        std::printf("%ld %d\n", (area.left + area.right) / 2, y);
        return 0;
    }
    if (command == "text") {
        std::printf("%s\n", textOf(control).c_str());
        return 0;
    }
    if (command == "click") {
        // A button of an inactive dialog may not take the click.
        SetForegroundWindow(window);
        PostMessageA(control, BM_CLICK, 0, 0);
        return 0;
    }
    return fail("unknown command", command);
}
