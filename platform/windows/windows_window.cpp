// The Win32 window.  The picture is copied into the window's own bitmap
// only where it changed, and painted from it on every paint request, so a
// repaint never shows a drawing half done.
#include "platform/windows/windows_window.hpp"

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

#include "platform/windows/windows_keys.hpp"

namespace {

constexpr wchar_t class_name[] = L"surfplot.window";

bool held(int virtual_key) { return (GetKeyState(virtual_key) & 0x8000) != 0; }

KeyModifier held_modifier() { return windows_modifier(held(VK_SHIFT), held(VK_CONTROL), held(VK_MENU)); }

SIZE client_size(HWND window)
{
    RECT client{};
    GetClientRect(window, &client);
    return {client.right, client.bottom};
}

// Every waiting message but the keys, which stay queued for the show.
void handle_all_but_keys()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, WM_KEYFIRST - 1, PM_REMOVE) ||
           PeekMessageW(&message, nullptr, WM_KEYLAST + 1, 0xFFFF, PM_REMOVE))
        DispatchMessageW(&message);
}

bool register_class(HINSTANCE instance)
{
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof window_class;
    window_class.lpfnWndProc = DefWindowProcW;
    window_class.hInstance = instance;
    window_class.hCursor = LoadCursor(nullptr, IDC_ARROW);
    window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    window_class.lpszClassName = class_name;
    return RegisterClassExW(&window_class) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace

bool Win32Window::open(const wchar_t* title, int& width, int& height)
{
    HINSTANCE instance = GetModuleHandleW(nullptr);
    if (!register_class(instance)) return false;
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    window_ = CreateWindowExW(0, class_name, title, WS_OVERLAPPEDWINDOW, work.left, work.top,
                              work.right - work.left, work.bottom - work.top, nullptr, nullptr, instance, nullptr);
    if (!window_) return false;
    gone_ = false;
    bits_.clear();  // (no picture to paint until the size is settled)
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure));
    ShowWindow(window_, SW_SHOWMAXIMIZED);
    SetForegroundWindow(window_);
    const SIZE client = settled_client_size();
    width_ = width = client.cx > 0 ? client.cx : 640;
    height_ = height = client.cy > 0 ? client.cy : 480;
    stride_ = (width_ + 3) & ~3;
    bits_.assign(static_cast<std::size_t>(stride_) * static_cast<std::size_t>(height_), 0);
    header_.assign(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD), 0);
    auto* info = reinterpret_cast<BITMAPINFO*>(header_.data());
    info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info->bmiHeader.biWidth = width_;
    info->bmiHeader.biHeight = -height_;  // rows grow downwards, as in the picture
    info->bmiHeader.biPlanes = 1;
    info->bmiHeader.biBitCount = 8;
    info->bmiHeader.biCompression = BI_RGB;
    info->bmiHeader.biClrUsed = 256;
    return true;
}

// The client area that the window really gets once shown.  Windows sizes a
// maximised window at once; under a window manager, or with none to honour
// the maximise, the size that GetClientRect gives right after ShowWindow
// may change a moment later.  So the messages are handled until the size
// has stayed the same for a while, within a bound.
SIZE Win32Window::settled_client_size()
{
    constexpr DWORD quiet_ms = 300, limit_ms = 3000;
    const DWORD started = GetTickCount();
    DWORD stable_since = started;
    SIZE size = client_size(window_);
    for (;;) {
        const DWORD now = GetTickCount();
        if (now - stable_since >= quiet_ms || now - started >= limit_ms) return size;
        const DWORD wait = std::min(quiet_ms - (now - stable_since), limit_ms - (now - started));
        MsgWaitForMultipleObjects(0, nullptr, FALSE, wait, QS_POSTMESSAGE | QS_SENDMESSAGE | QS_PAINT);
        handle_all_but_keys();
        const SIZE latest = client_size(window_);
        if (latest.cx != size.cx || latest.cy != size.cy) {
            size = latest;
            stable_since = GetTickCount();
        }
    }
}

void Win32Window::close()
{
    if (!window_) return;
    HWND window = window_;
    window_ = nullptr;
    if (!std::exchange(gone_, false)) DestroyWindow(window);
}

void Win32Window::show(const PictureView& picture, const Palette& palette, const PixelRange& changed)
{
    if (!window_ || gone_ || picture.width != width_ || picture.height != height_) return;
    // The colour table is the palette as it is now; a changed colour shows
    // everywhere at the next paint.
    auto* info = reinterpret_cast<BITMAPINFO*>(header_.data());
    bool new_colors = false;
    for (int i = 0; i < 256; ++i) {
        const RGBQUAD color{palette[i].blue, palette[i].green, palette[i].red, 0};
        RGBQUAD& entry = info->bmiColors[i];
        new_colors = new_colors || entry.rgbBlue != color.rgbBlue || entry.rgbGreen != color.rgbGreen ||
                     entry.rgbRed != color.rgbRed;
        entry = color;
    }
    const PixelRange range{std::max(changed.x0, 0), std::max(changed.y0, 0), std::min(changed.x1, width_ - 1),
                           std::min(changed.y1, height_ - 1)};
    if (!range.empty())
        for (int y = range.y0; y <= range.y1; ++y)
            std::memcpy(&bits_[static_cast<std::size_t>(y) * stride_ + range.x0],
                        picture.pixels + static_cast<std::size_t>(y) * width_ + range.x0,
                        static_cast<std::size_t>(range.x1 - range.x0 + 1));
    if (new_colors || scaled()) {
        InvalidateRect(window_, nullptr, FALSE);
    } else if (!range.empty()) {
        RECT area{range.x0, range.y0, range.x1 + 1, range.y1 + 1};
        InvalidateRect(window_, &area, FALSE);
    }
    UpdateWindow(window_);
}

void Win32Window::set_title(std::string_view utf8)
{
    if (!window_) return;
    const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring title(static_cast<std::size_t>(std::max(size, 0)), L'\0');
    if (size > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), title.data(), size);
    SetWindowTextW(window_, title.c_str());
}

WindowRequest Win32Window::handle_messages(std::deque<KeyPress>& keys)
{
    keys_ = &keys;
    request_ = gone_ ? WindowRequest::close : WindowRequest::none;
    MSG message;
    while (request_ == WindowRequest::none && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_KEYDOWN || message.message == WM_SYSKEYDOWN) {
            key_down(message.wParam, message);
            continue;
        }
        DispatchMessageW(&message);
    }
    keys_ = nullptr;
    return request_;
}

void Win32Window::key_down(WPARAM virtual_key, const MSG& message)
{
    KeyPress press{};
    const bool control_only = held(VK_CONTROL) && !held(VK_MENU) && !held(VK_SHIFT);
    const bool closing = virtual_key == VK_F4 && held(VK_MENU);  // Alt+F4 closes, as everywhere
    if ((virtual_key == 'C' && control_only) || virtual_key == VK_CANCEL) {
        request_ = WindowRequest::interrupt;
    } else if (!closing && windows_named_key(static_cast<unsigned>(virtual_key), held_modifier(), press)) {
        keys_->push_back(press);
    } else {
        // Keys with a character come back as WM_CHAR; Alt+F4 as a close request.
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

LRESULT CALLBACK Win32Window::procedure(HWND window, UINT message, WPARAM w, LPARAM l)
{
    auto* self = reinterpret_cast<Win32Window*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self && self->window_ == window) return self->handle(message, w, l);
    return DefWindowProcW(window, message, w, l);
}

LRESULT Win32Window::handle(UINT message, WPARAM w, LPARAM l)
{
    switch (message) {
    case WM_PAINT: paint(); return 0;
    case WM_ERASEBKGND: return 1;  // the paint covers everything
    case WM_SIZE:  // the picture is fitted to the new size
        InvalidateRect(window_, nullptr, FALSE);
        return 0;
    case WM_CLOSE: request_ = WindowRequest::close; return 0;
    // Destroyed by anything but close(): the show ends as when the user
    // closes the window.
    case WM_DESTROY:
        gone_ = true;
        request_ = WindowRequest::close;
        return 0;
    case WM_CHAR:
        if (keys_ && w >= 0xD800 && w < 0xDC00) return 0;  // the first half of a pair; the second tells
        if (keys_) keys_->push_back({cp437_of(static_cast<char32_t>(w)), 0});
        return 0;
    case WM_SYSCHAR: return 0;  // no menu to open
    default: return DefWindowProcW(window_, message, w, l);
    }
}

bool Win32Window::scaled() const
{
    const SIZE client = client_size(window_);
    return client.cx < width_ || client.cy < height_;
}

// The picture pixel for pixel from the top-left corner; in a client area
// smaller than the picture (a window made smaller after it opened) the
// whole picture scaled down to fit, so that its frame is always seen whole.
void Win32Window::paint()
{
    PAINTSTRUCT paint{};
    HDC device = BeginPaint(window_, &paint);
    const SIZE client = client_size(window_);
    RECT shown{0, 0, width_, height_};
    if (client.cx < width_ || client.cy < height_) {
        const double scale = std::min(static_cast<double>(client.cx) / width_, static_cast<double>(client.cy) / height_);
        shown.right = std::max(1, static_cast<int>(width_ * scale));
        shown.bottom = std::max(1, static_cast<int>(height_ * scale));
        SetStretchBltMode(device, HALFTONE);
        SetBrushOrgEx(device, 0, 0, nullptr);
    }
    // The whole bitmap, which the paint's clip region cuts down to what
    // changed: a part of a top-down bitmap would be taken from rows counted
    // from its bottom.
    if (bits_.empty())
        shown = {0, 0, 0, 0};
    else
        StretchDIBits(device, 0, 0, shown.right, shown.bottom, 0, 0, width_, height_, bits_.data(),
                      reinterpret_cast<const BITMAPINFO*>(header_.data()), DIB_RGB_COLORS, SRCCOPY);
    // Beyond the picture stays black.
    const RECT& area = paint.rcPaint;
    HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    if (area.right > shown.right) {
        RECT side{shown.right, area.top, area.right, area.bottom};
        FillRect(device, &side, black);
    }
    if (area.bottom > shown.bottom) {
        RECT below{area.left, shown.bottom, area.right, area.bottom};
        FillRect(device, &below, black);
    }
    EndPaint(window_, &paint);
}
