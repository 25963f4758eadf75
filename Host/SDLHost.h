#pragma once

#include <memory>
#include <ostream>
#include <string>

#include "Platform/CoreGraphics/CGGeometry.h"
#include "Platform/UIKit/UIInterfaceOrientation.h"
#include "Platform/UIKit/UIRenderer.h"

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;
struct SDL_KeyboardEvent;
union SDL_Event;

class HostSession;
class ScriptDriver;
class SDLClipboard;

// The desktop window: shows the screen at the device's size in points (smaller when the desktop
// is smaller, turned for landscape) and turns the desktop's input into the device's. The mouse
// is one finger, typed text and input-method composition go to the first responder, Backspace,
// Return and Tab edit, Ctrl+X/C/V/A are the edit commands, F5 or Ctrl+R turn the device, the
// clipboard is the pasteboard's, closing terminates, minimising sends the application to the
// background and losing focus makes it inactive. Frames are drawn only when the screen changed.
// The main run loop runs on the real clock between events.
class SDLHost {
public:
    // Mouse-wheel points per notch; waiting for events never blocks longer than this.
    static constexpr CGFloat kWheelStep = 40;
    static constexpr int kIdleWaitMilliseconds = 10;

    explicit SDLHost(HostSession& session);
    ~SDLHost();
    SDLHost(const SDLHost&) = delete;
    SDLHost& operator=(const SDLHost&) = delete;

    // Opens the window; false, with the reason, when no window can be opened here.
    [[nodiscard]] bool open(std::string& error);
    // Runs the script, when given, then the user's input until the application terminates.
    // Answers the exit code: 0, or 1 when the script failed (its error written to err).
    int run(ScriptDriver* driver, const std::string& scriptPath, std::ostream& err);

    [[nodiscard]] int framesPresented() const { return framesPresented_; }

private:
    void pump(int timeoutMilliseconds);
    void handle(const SDL_Event& event);
    void handleKey(const SDL_KeyboardEvent& key);
    void present(bool force);
    void fitWindow();
    void waitFor(double seconds);
    [[nodiscard]] CGPoint displayPoint(int x, int y) const;

    struct WindowDeleter {
        void operator()(SDL_Window* window) const;
    };
    struct RendererDeleter {
        void operator()(SDL_Renderer* renderer) const;
    };
    struct TextureDeleter {
        void operator()(SDL_Texture* texture) const;
    };

    HostSession& session_;
    UIRenderer renderer_;
    bool sdlStarted_ { false };
    std::unique_ptr<SDL_Window, WindowDeleter> window_;
    std::unique_ptr<SDL_Renderer, RendererDeleter> sdlRenderer_;
    std::unique_ptr<SDL_Texture, TextureDeleter> texture_;
    int textureWidth_ { 0 };
    int textureHeight_ { 0 };
    std::shared_ptr<SDLClipboard> clipboard_;
    UIInterfaceOrientation windowOrientation_ { UIInterfaceOrientationPortrait };
    bool pumping_ { false };
    bool composing_ { false };
    bool minimised_ { false };
    int framesPresented_ { 0 };
};
