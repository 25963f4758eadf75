#include "Host/SDLHost.h"

#include <SDL.h>
#include <cairo.h>

#include <algorithm>
#include <cmath>

#include "Host/HostSession.h"
#include "Host/SDLClipboard.h"
#include "Host/ScriptDriver.h"
#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIPasteboard.h"
#include "Platform/UIKit/UITextInputSystem.h"

namespace {

// Room left for the window's frame and the desktop's panels when the device is taller than
// the desktop.
constexpr double kDesktopFill = 0.92;

// UTF-16 units before the given number of code points of the text.
NSUInteger utf16Offset(const std::u16string& text, int codePoints)
{
    NSUInteger offset = 0;
    for (int i = 0; i < codePoints && offset < text.size(); ++i) {
        const char16_t unit = text[offset];
        offset += (unit >= 0xD800 && unit <= 0xDBFF && offset + 1 < text.size()) ? 2 : 1;
    }
    return offset;
}

} // namespace

void SDLHost::WindowDeleter::operator()(SDL_Window* window) const { SDL_DestroyWindow(window); }
void SDLHost::RendererDeleter::operator()(SDL_Renderer* renderer) const { SDL_DestroyRenderer(renderer); }
void SDLHost::TextureDeleter::operator()(SDL_Texture* texture) const { SDL_DestroyTexture(texture); }

SDLHost::SDLHost(HostSession& session) : session_(session) { }

SDLHost::~SDLHost()
{
    UITextInputSystem::shared().setCompositionEndHandler(nullptr);
    if (clipboard_) {
        UIPasteboard::generalPasteboard().setBackend(nullptr);
        clipboard_.reset();
    }
    texture_.reset();
    sdlRenderer_.reset();
    window_.reset();
    if (sdlStarted_) {
        SDL_Quit();
    }
}

bool SDLHost::open(std::string& error)
{
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "1");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        error = SDL_GetError();
        return false;
    }
    sdlStarted_ = true;
    windowOrientation_ = session_.orientation();
    const CGSize size = session_.displaySize();
    window_.reset(SDL_CreateWindow("Lexiphant", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, int(size.width),
                                   int(size.height), SDL_WINDOW_ALLOW_HIGHDPI));
    if (!window_) {
        error = SDL_GetError();
        return false;
    }
    sdlRenderer_.reset(SDL_CreateRenderer(window_.get(), -1, SDL_RENDERER_PRESENTVSYNC));
    if (!sdlRenderer_) {
        sdlRenderer_.reset(SDL_CreateRenderer(window_.get(), -1, SDL_RENDERER_SOFTWARE));
    }
    if (!sdlRenderer_) {
        error = SDL_GetError();
        return false;
    }
    fitWindow();
    clipboard_ = std::make_shared<SDLClipboard>();
    UIPasteboard::generalPasteboard().setBackend(clipboard_);
    SDL_StartTextInput();
    // The text input moved its caret or changed its text by itself: what was composed stays
    // there as typed (the text input commits it), and the input method starts afresh.
    UITextInputSystem::shared().setCompositionEndHandler([this] {
        if (composing_) {
            composing_ = false;
            SDL_ClearComposition();
        }
    });
    return true;
}

void SDLHost::fitWindow()
{
    windowOrientation_ = session_.orientation();
    const CGSize size = session_.displaySize();
    double factor = 1;
    SDL_Rect usable {};
    const int display = std::max(0, SDL_GetWindowDisplayIndex(window_.get()));
    if (SDL_GetDisplayUsableBounds(display, &usable) == 0 && usable.w > 0 && usable.h > 0) {
        factor = std::min({ 1.0, usable.w * kDesktopFill / size.width, usable.h * kDesktopFill / size.height });
    }
    SDL_SetWindowSize(window_.get(), std::max(1, int(std::lround(size.width * factor))),
                      std::max(1, int(std::lround(size.height * factor))));
}

CGPoint SDLHost::displayPoint(int x, int y) const
{
    int w = 0, h = 0;
    SDL_GetWindowSize(window_.get(), &w, &h);
    const CGSize size = session_.displaySize();
    if (w <= 0 || h <= 0) {
        return CGPointMake(x, y);
    }
    return CGPointMake((x + 0.5) * size.width / w, (y + 0.5) * size.height / h);
}

void SDLHost::present(bool force)
{
    if (!window_ || minimised_) {
        return;
    }
    if (session_.orientation() != windowOrientation_) {
        fitWindow();
        force = true;
    }
    if (!force && !renderer_.needsFrame()) {
        return;
    }
    cairo_surface_t* frame = renderer_.renderFrame();
    if (frame == nullptr) {
        return;
    }
    const int w = cairo_image_surface_get_width(frame);
    const int h = cairo_image_surface_get_height(frame);
    if (!texture_ || w != textureWidth_ || h != textureHeight_) {
        // Cairo's ARGB32 and this format are the same packed 32-bit pixels.
        texture_.reset(SDL_CreateTexture(sdlRenderer_.get(), SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, w, h));
        textureWidth_ = w;
        textureHeight_ = h;
        if (!texture_) {
            return;
        }
    }
    SDL_UpdateTexture(texture_.get(), nullptr, cairo_image_surface_get_data(frame), cairo_image_surface_get_stride(frame));
    SDL_RenderClear(sdlRenderer_.get());
    SDL_RenderCopy(sdlRenderer_.get(), texture_.get(), nullptr, nullptr);
    SDL_RenderPresent(sdlRenderer_.get());
    ++framesPresented_;
}

void SDLHost::pump(int timeoutMilliseconds)
{
    // Handling an event may turn the run loop, which calls back here: events stay in order.
    if (pumping_) {
        return;
    }
    pumping_ = true;
    SDL_Event event;
    const bool got = timeoutMilliseconds > 0 ? SDL_WaitEventTimeout(&event, timeoutMilliseconds) != 0 : SDL_PollEvent(&event) != 0;
    if (got) {
        handle(event);
        while (!session_.isTerminated() && SDL_PollEvent(&event) != 0) {
            handle(event);
        }
    }
    pumping_ = false;
}

void SDLHost::waitFor(double seconds)
{
    RunLoop& loop = RunLoop::main();
    const double deadline = loop.now() + seconds;
    while (!session_.isTerminated()) {
        const double remaining = deadline - loop.now();
        if (remaining <= 0) {
            break;
        }
        pump(std::clamp(int(std::ceil(remaining * 1000)), 1, kIdleWaitMilliseconds));
        loop.runOnce();
        present(false);
    }
}

void SDLHost::handle(const SDL_Event& event)
{
    UIApplication& app = UIApplication::sharedApplication();
    switch (event.type) {
    case SDL_QUIT:
        session_.quit();
        break;
    case SDL_WINDOWEVENT:
        switch (event.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
            session_.quit();
            break;
        case SDL_WINDOWEVENT_MINIMIZED:
            minimised_ = true;
            session_.enterBackground();
            break;
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_MAXIMIZED:
        case SDL_WINDOWEVENT_SHOWN:
            minimised_ = false;
            if (app.applicationState() == UIApplicationStateBackground) {
                session_.enterForeground();
            }
            present(true);
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            session_.resignActive();
            break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            session_.becomeActive();
            break;
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            present(true);
            break;
        default:
            break;
        }
        break;
    case SDL_MOUSEBUTTONDOWN:
        if (event.button.button == SDL_BUTTON_LEFT) {
            SDL_CaptureMouse(SDL_TRUE);
            session_.touchDown(displayPoint(event.button.x, event.button.y));
        }
        break;
    case SDL_MOUSEMOTION:
        // Only a drag moves the finger: the pointer passing over the window (entering it, say)
        // must not carry off a finger a script has put down.
        if (session_.isTouching() && (event.motion.state & SDL_BUTTON_LMASK) != 0) {
            session_.touchMove(displayPoint(event.motion.x, event.motion.y));
        }
        break;
    case SDL_MOUSEBUTTONUP:
        if (event.button.button == SDL_BUTTON_LEFT) {
            SDL_CaptureMouse(SDL_FALSE);
            session_.touchUp(displayPoint(event.button.x, event.button.y));
        }
        break;
    case SDL_MOUSEWHEEL: {
        int x = 0, y = 0;
        SDL_GetMouseState(&x, &y);
        const double flip = event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -1 : 1;
        // Wheel up shows what lies above: the content moves down.
        session_.scrollWheel(displayPoint(x, y), flip * event.wheel.preciseX * kWheelStep, -flip * event.wheel.preciseY * kWheelStep);
        break;
    }
    case SDL_TEXTINPUT:
        if (const auto text = utf8ToUtf16Strict(event.text.text)) {
            composing_ = false;
            (void)session_.typeText(*text);
        }
        break;
    case SDL_TEXTEDITING:
        if (const auto text = utf8ToUtf16Strict(event.edit.text)) {
            if (text->empty()) {
                if (composing_) {
                    session_.setMarkedText(u"", NSMakeRange(0, 0));
                    session_.unmarkText();
                }
                composing_ = false;
            } else {
                composing_ = true;
                const NSUInteger start = utf16Offset(*text, std::max(0, event.edit.start));
                const NSUInteger end = utf16Offset(*text, std::max(0, event.edit.start) + std::max(0, event.edit.length));
                session_.setMarkedText(*text, NSMakeRange(start, end - start));
            }
        }
        break;
    case SDL_KEYDOWN:
        handleKey(event.key);
        break;
    default:
        break;
    }
}

void SDLHost::handleKey(const SDL_KeyboardEvent& key)
{
    const SDL_Keycode sym = key.keysym.sym;
    const bool ctrl = (key.keysym.mod & KMOD_CTRL) != 0;
    std::optional<HostKey> hostKey;
    if (ctrl) {
        switch (sym) {
        case SDLK_x:
            hostKey = HostKey::Cut;
            break;
        case SDLK_c:
            hostKey = HostKey::Copy;
            break;
        case SDLK_v:
            hostKey = HostKey::Paste;
            break;
        case SDLK_a:
            hostKey = HostKey::SelectAll;
            break;
        case SDLK_r:
            hostKey = HostKey::Rotate;
            break;
        default:
            break;
        }
    } else if (sym == SDLK_F5) {
        hostKey = HostKey::Rotate;
    } else if (!composing_) {
        // While the input method composes, these keys are its own.
        switch (sym) {
        case SDLK_BACKSPACE:
            hostKey = HostKey::Backspace;
            break;
        case SDLK_RETURN:
        case SDLK_KP_ENTER:
            hostKey = HostKey::Return;
            break;
        case SDLK_TAB:
            hostKey = HostKey::Tab;
            break;
        default:
            break;
        }
    }
    if (hostKey) {
        (void)session_.pressKey(*hostKey);
    }
}

int SDLHost::run(ScriptDriver* driver, const std::string& scriptPath, std::ostream& err)
{
    session_.setWaiter([this](double seconds) { waitFor(seconds); });
    session_.setFrameHook([this] {
        pump(0);
        present(false);
    });
    present(true);
    int code = 0;
    if (driver != nullptr && !scriptPath.empty()) {
        const ScriptDriver::Outcome outcome = driver->runFile(scriptPath);
        if (!outcome.ok) {
            err << outcome.error << '\n';
            session_.quit();
            code = 1;
        }
    }
    RunLoop& loop = RunLoop::main();
    while (!session_.isTerminated()) {
        pump(kIdleWaitMilliseconds);
        loop.runOnce();
        present(false);
    }
    session_.setWaiter(nullptr);
    session_.setFrameHook(nullptr);
    return code;
}
