#include "Host/ScriptDriver.h"

#include <charconv>
#include <cmath>
#include <fstream>
#include <sstream>

#include "Host/HostKey.h"
#include "Host/HostSession.h"
#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/UIKit/UIActionSheet.h"
#include "Platform/UIKit/UIAlertView.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIRenderer.h"
#include "Platform/UIKit/UIView.h"
#include "Platform/UIKit/UIViewController.h"
#include "Platform/UIKit/UIVisibleText.h"

namespace {

std::string_view trim(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

std::vector<std::string> splitWords(std::string_view text)
{
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
            ++i;
        }
        const std::size_t start = i;
        while (i < text.size() && text[i] != ' ' && text[i] != '\t') {
            ++i;
        }
        if (i > start) {
            words.emplace_back(text.substr(start, i - start));
        }
    }
    return words;
}

std::optional<double> parseNumber(const std::string& word)
{
    double value = 0;
    const char* end = word.data() + word.size();
    const auto [ptr, ec] = std::from_chars(word.data(), end, value);
    if (ec != std::errc() || ptr != end || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::string quoted(const std::string& word) { return "\"" + word + "\""; }

// The button an answer names: a number is an index, anything else a title. Answers the error
// (with the titles on screen) when there is no such button.
template <class Panel>
std::optional<std::string> buttonNamed(const Panel& panel, const std::string& answer, const char* what, int& index)
{
    const int count = panel.numberOfButtons();
    if (const auto number = parseNumber(answer); number && *number == std::floor(*number)) {
        index = int(*number);
        if (index >= 0 && index < count) {
            return std::nullopt;
        }
    }
    for (int i = 0; i < count; ++i) {
        if (panel.buttonTitleAtIndex(i) == answer) {
            index = i;
            return std::nullopt;
        }
    }
    std::string titles;
    for (int i = 0; i < count; ++i) {
        titles += (i > 0 ? ", " : "") + quoted(panel.buttonTitleAtIndex(i));
    }
    return "no button " + quoted(answer) + " on the " + what + " (buttons: " + titles + ")";
}

// How long waitFor waits when the script names no time, and how often it looks.
constexpr double kDefaultWaitForSeconds = 5;
constexpr double kWaitForStepSeconds = 0.05;

// The longest a screen transition is waited for before a text is looked at.
constexpr double kTransitionWaitSeconds = 2;

// The texts on screen, for a failure message.
std::string textsOnScreen()
{
    const auto texts = UIVisibleText::onScreen();
    if (texts.empty()) {
        return "no text is on screen";
    }
    std::string list = "on screen:";
    for (std::size_t i = 0; i < texts.size(); ++i) {
        list += (i == 0 ? " " : ", ") + quoted(utf16ToUtf8(texts[i].text));
    }
    return list;
}

// A text that is not visible: why, when it is in the view tree (covered, cut off, off screen).
std::string notVisible(const std::string& text)
{
    if (const UIVisibleText hidden = UIVisibleText::findHidden(utf8ToUtf16(text)); hidden.view) {
        return "the text " + quoted(text) + " is not visible: " + hidden.hiddenBecause + "; " + textsOnScreen();
    }
    return "no visible text " + quoted(text) + "; " + textsOnScreen();
}

// The controllers whose views are on screen, the front-most first.
std::vector<std::shared_ptr<UIViewController>> visibleControllers()
{
    std::vector<std::shared_ptr<UIViewController>> controllers;
    for (const auto& window : UIApplication::sharedApplication().windowsFrontToBack()) {
        if (const auto& root = window->rootViewController()) {
            std::vector<std::shared_ptr<UIViewController>> shown;
            root->collectVisibleControllers(shown);
            controllers.insert(controllers.end(), shown.rbegin(), shown.rend());
        }
    }
    return controllers;
}

// Whether a person can see the view: in a window, and neither it nor a superview hidden or clear.
bool isShown(const UIView& view)
{
    if (view.window() == nullptr) {
        return false;
    }
    for (const UIView* v = &view; v != nullptr; v = v->superview()) {
        if (v->isHidden() || v->alpha() < 0.01) {
            return false;
        }
    }
    return true;
}

// The text a label command names: the rest of the line, without surrounding double quotes.
std::string labelText(std::string_view rest)
{
    if (rest.size() >= 2 && rest.front() == '"' && rest.back() == '"') {
        return std::string(rest.substr(1, rest.size() - 2));
    }
    return std::string(rest);
}

} // namespace

ScriptDriver::ScriptDriver(HostSession& session) : session_(session) { addStandardCommands(); }

void ScriptDriver::addCommand(const std::string& name, const std::string& usage, Handler handler)
{
    commands_[name] = Command { usage, std::move(handler) };
}

bool ScriptDriver::hasCommand(const std::string& name) const { return commands_.count(name) != 0; }

std::vector<std::string> ScriptDriver::commandUsages() const
{
    std::vector<std::string> usages;
    for (const auto& [name, command] : commands_) {
        usages.push_back(command.usage);
    }
    return usages;
}

std::optional<std::string> ScriptDriver::expectWords(const Line& line, std::size_t count) const
{
    if (line.words.size() == count) {
        return std::nullopt;
    }
    const auto found = commands_.find(line.name);
    return "expected " + std::to_string(count) + " argument" + (count == 1 ? "" : "s") + ": "
        + (found != commands_.end() ? found->second.usage : line.name);
}

std::optional<std::string> ScriptDriver::parsePoint(const Line& line, std::size_t index, CGPoint& point) const
{
    const auto x = index < line.words.size() ? parseNumber(line.words[index]) : std::nullopt;
    const auto y = index + 1 < line.words.size() ? parseNumber(line.words[index + 1]) : std::nullopt;
    if (!x || !y) {
        return "not a point: " + (index + 1 < line.words.size() ? line.words[index] + " " + line.words[index + 1] : line.rest);
    }
    const CGSize display = session_.displaySize();
    if (*x < 0 || *y < 0 || *x >= display.width || *y >= display.height) {
        std::ostringstream message;
        message << "point " << *x << " " << *y << " lies outside the screen (" << display.width << " x " << display.height
                << " points)";
        return message.str();
    }
    point = CGPointMake(*x, *y);
    return std::nullopt;
}

std::optional<std::string> ScriptDriver::parseSeconds(const Line& line, std::size_t index, double& seconds)
{
    const auto value = index < line.words.size() ? parseNumber(line.words[index]) : std::nullopt;
    if (!value || *value < 0 || *value > kMaximumSeconds) {
        std::ostringstream message;
        message << "not a number of seconds from 0 to " << kMaximumSeconds << ": "
                << (index < line.words.size() ? quoted(line.words[index]) : std::string("(none)"));
        return message.str();
    }
    seconds = *value;
    return std::nullopt;
}

void ScriptDriver::addStandardCommands()
{
    HostSession& s = session_;
    addCommand("tap", "tap X Y", [this, &s](const Line& line) -> std::optional<std::string> {
        CGPoint p;
        if (auto error = expectWords(line, 2)) {
            return error;
        }
        if (auto error = parsePoint(line, 0, p)) {
            return error;
        }
        s.tap(p);
        return std::nullopt;
    });
    addCommand("press", "press X Y SECONDS", [this, &s](const Line& line) -> std::optional<std::string> {
        CGPoint p;
        double seconds = 0;
        if (auto error = expectWords(line, 3)) {
            return error;
        }
        if (auto error = parsePoint(line, 0, p)) {
            return error;
        }
        if (auto error = parseSeconds(line, 2, seconds)) {
            return error;
        }
        s.press(p, seconds);
        return std::nullopt;
    });
    addCommand("drag", "drag X1 Y1 X2 Y2 SECONDS", [this, &s](const Line& line) -> std::optional<std::string> {
        CGPoint from, to;
        double seconds = 0;
        if (auto error = expectWords(line, 5)) {
            return error;
        }
        if (auto error = parsePoint(line, 0, from)) {
            return error;
        }
        if (auto error = parsePoint(line, 2, to)) {
            return error;
        }
        if (auto error = parseSeconds(line, 4, seconds)) {
            return error;
        }
        s.drag(from, to, seconds);
        return std::nullopt;
    });
    addCommand("swipe", "swipe left|right|up|down X Y", [this, &s](const Line& line) -> std::optional<std::string> {
        if (auto error = expectWords(line, 3)) {
            return error;
        }
        static const std::map<std::string, HostSession::Direction> kDirections {
            { "left", HostSession::Direction::Left },
            { "right", HostSession::Direction::Right },
            { "up", HostSession::Direction::Up },
            { "down", HostSession::Direction::Down },
        };
        const auto direction = kDirections.find(line.words[0]);
        if (direction == kDirections.end()) {
            return "not a direction (left, right, up or down): " + quoted(line.words[0]);
        }
        CGPoint p;
        if (auto error = parsePoint(line, 1, p)) {
            return error;
        }
        s.swipe(direction->second, p);
        return std::nullopt;
    });
    addCommand("wheel", "wheel X Y DX DY", [this, &s](const Line& line) -> std::optional<std::string> {
        CGPoint p;
        if (auto error = expectWords(line, 4)) {
            return error;
        }
        if (auto error = parsePoint(line, 0, p)) {
            return error;
        }
        const auto dx = parseNumber(line.words[2]);
        const auto dy = parseNumber(line.words[3]);
        if (!dx || !dy) {
            return "not a wheel turn in points: " + line.words[2] + " " + line.words[3];
        }
        // Positive DY shows what lies further down, as the window's wheel does.
        s.scrollWheel(p, CGFloat(*dx), CGFloat(*dy));
        s.turn();
        return std::nullopt;
    });
    addCommand("type", "type TEXT", [&s](const Line& line) -> std::optional<std::string> {
        if (line.rest.empty()) {
            return std::string("nothing to type: type TEXT");
        }
        const auto text = utf8ToUtf16Strict(line.rest);
        if (!text) {
            return std::string("the text is not valid UTF-8");
        }
        if (!s.typeText(*text)) {
            return std::string("nothing takes typed text (no first responder with key input)");
        }
        s.turn();
        return std::nullopt;
    });
    addCommand("key", "key NAME", [this, &s](const Line& line) -> std::optional<std::string> {
        if (auto error = expectWords(line, 1)) {
            return error;
        }
        const auto key = hostKeyNamed(line.words[0]);
        if (!key) {
            return "unknown key " + quoted(line.words[0]) + " (Backspace, Return, Tab, ctrl+x, ctrl+c, ctrl+v, ctrl+a, ctrl+r, F5)";
        }
        // An edit command the responder does not accept is ignored, as the keyboard ignores it.
        if (s.pressKey(*key) == HostSession::KeyOutcome::NoKeyInput) {
            return "nothing takes key " + quoted(line.words[0]) + " (no first responder with key input)";
        }
        return std::nullopt;
    });
    addCommand("wait", "wait SECONDS", [this](const Line& line) -> std::optional<std::string> {
        double seconds = 0;
        if (auto error = expectWords(line, 1)) {
            return error;
        }
        if (auto error = parseSeconds(line, 0, seconds)) {
            return error;
        }
        (void)letTimePass(seconds);
        return std::nullopt;
    });
    addCommand("snapshot", "snapshot PATH.png", [&s](const Line& line) -> std::optional<std::string> {
        if (line.rest.empty()) {
            return std::string("no file named: snapshot PATH.png");
        }
        if (!s.snapshot(line.rest)) {
            return "cannot write the snapshot " + quoted(line.rest);
        }
        return std::nullopt;
    });
    addCommand("rotate", "rotate portrait|landscape|landscapeLeft|upsideDown", [this, &s](const Line& line) -> std::optional<std::string> {
        if (auto error = expectWords(line, 1)) {
            return error;
        }
        // "landscape" is the turn F5 makes, the home button on the right.
        static const std::map<std::string, UIInterfaceOrientation> kOrientations {
            { "portrait", UIInterfaceOrientationPortrait },
            { "landscape", UIInterfaceOrientationLandscapeRight },
            { "landscapeLeft", UIInterfaceOrientationLandscapeLeft },
            { "upsideDown", UIInterfaceOrientationPortraitUpsideDown },
        };
        const auto orientation = kOrientations.find(line.words[0]);
        if (orientation == kOrientations.end()) {
            return "not an orientation (portrait, landscape, landscapeLeft or upsideDown): " + quoted(line.words[0]);
        }
        s.rotate(orientation->second);
        return std::nullopt;
    });
    addCommand("tapLabel", "tapLabel TEXT", [this, &s](const Line& line) -> std::optional<std::string> {
        const std::string text = labelText(line.rest);
        if (text.empty()) {
            return std::string("no text named: tapLabel TEXT");
        }
        settleTransitions();
        const UIVisibleText found = UIVisibleText::find(utf8ToUtf16(text));
        if (!found.view) {
            return "cannot tap: " + notVisible(text);
        }
        // A finger there must reach the text's own window, not a clear one in front of it (the
        // backdrop that closes a pad's sheet or popover).
        const UIApplication::Hit hit = UIApplication::sharedApplication().hitTestScreenPoint(found.screenPoint);
        if (hit.window.get() != found.view->window()) {
            return "cannot tap " + quoted(text) + ": a touch there reaches "
                + (hit.window ? std::string("another window in front of it") : std::string("nothing (the status bar or the keyboard)"))
                + "; " + textsOnScreen();
        }
        s.tap(CGPointApplyAffineTransform(found.screenPoint, UIRenderer::screenToDisplayTransform(s.orientation())));
        return std::nullopt;
    });
    addCommand("tapOutlet", "tapOutlet NAME", [this, &s](const Line& line) -> std::optional<std::string> {
        if (auto error = expectWords(line, 1)) {
            return error;
        }
        const std::string& name = line.words[0];
        std::string known;
        for (const auto& controller : visibleControllers()) {
            const auto view = std::dynamic_pointer_cast<UIView>(controller->boundOutlet(name));
            if (view && isShown(*view)) {
                const CGRect onScreen = CGRectApplyAffineTransform(view->bounds(), view->transformToScreen());
                const CGPoint centre = CGPointMake(CGRectGetMidX(onScreen), CGRectGetMidY(onScreen));
                s.tap(CGPointApplyAffineTransform(centre, UIRenderer::screenToDisplayTransform(s.orientation())));
                return std::nullopt;
            }
            for (const auto& [outlet, unused] : controller->connections().outlets()) {
                const auto bound = std::dynamic_pointer_cast<UIView>(controller->boundOutlet(outlet));
                if (bound && isShown(*bound)) {
                    known += (known.empty() ? " " : ", ") + outlet;
                }
            }
        }
        return "no visible view bound to the outlet " + quoted(name) + "; visible outlets:" + (known.empty() ? " none" : known);
    });
    addCommand("assertVisible", "assertVisible TEXT", [this](const Line& line) -> std::optional<std::string> {
        const std::string text = labelText(line.rest);
        if (text.empty()) {
            return std::string("no text named: assertVisible TEXT");
        }
        settleTransitions();
        if (!UIVisibleText::find(utf8ToUtf16(text)).view) {
            return notVisible(text);
        }
        return std::nullopt;
    });
    addCommand("assertHidden", "assertHidden TEXT", [this, &s](const Line& line) -> std::optional<std::string> {
        const std::string text = labelText(line.rest);
        if (text.empty()) {
            return std::string("no text named: assertHidden TEXT");
        }
        settleTransitions();
        if (const UIVisibleText found = UIVisibleText::find(utf8ToUtf16(text)); found.view) {
            const CGPoint at = CGPointApplyAffineTransform(found.screenPoint, UIRenderer::screenToDisplayTransform(s.orientation()));
            std::ostringstream message;
            message << "the text " << quoted(text) << " is visible at " << at.x << " " << at.y;
            return message.str();
        }
        return std::nullopt;
    });
    addCommand("waitFor", "waitFor TEXT [SECONDS]", [this](const Line& line) -> std::optional<std::string> {
        std::string_view rest = line.rest;
        double seconds = kDefaultWaitForSeconds;
        // A last word that is a number is the time to wait, unless it is all there is.
        if (line.words.size() >= 2) {
            if (const auto number = parseNumber(line.words.back())) {
                if (*number < 0 || *number > kMaximumSeconds) {
                    std::ostringstream message;
                    message << "not a number of seconds from 0 to " << kMaximumSeconds << ": " << quoted(line.words.back());
                    return message.str();
                }
                seconds = *number;
                rest = trim(rest.substr(0, rest.size() - line.words.back().size()));
            }
        }
        const std::string text = labelText(rest);
        if (text.empty()) {
            return std::string("no text named: waitFor TEXT [SECONDS]");
        }
        const std::u16string wanted = utf8ToUtf16(text);
        if (letTimePass(seconds, [&wanted] { return UIVisibleText::find(wanted).view != nullptr; })) {
            return std::nullopt;
        }
        std::ostringstream message;
        message << "waited " << seconds << " s: " << notVisible(text);
        return message.str();
    });
    // Answers go through a finger on the button, as a user's would; the dismissal is delivered
    // before the next line runs.
    auto tapScreenPoint = [&s](CGPoint screen) {
        s.tap(CGPointApplyAffineTransform(screen, UIRenderer::screenToDisplayTransform(s.orientation())));
        s.turn();
    };
    addCommand("answerAlert", "answerAlert INDEX|TITLE", [&s, tapScreenPoint](const Line& line) -> std::optional<std::string> {
        if (line.rest.empty()) {
            return std::string("no answer named: answerAlert INDEX|TITLE");
        }
        s.turn();
        const auto alert = UIAlertView::visibleAlert();
        if (!alert) {
            return std::string("no alert on screen");
        }
        int index = -1;
        if (auto error = buttonNamed(*alert, line.rest, "alert", index)) {
            return error;
        }
        const CGRect button = alert->screenRectForButtonAtIndex(index);
        tapScreenPoint(CGPointMake(CGRectGetMidX(button), CGRectGetMidY(button)));
        return std::nullopt;
    });
    addCommand("answerSheet", "answerSheet INDEX|TITLE", [&s, tapScreenPoint](const Line& line) -> std::optional<std::string> {
        if (line.rest.empty()) {
            return std::string("no answer named: answerSheet INDEX|TITLE");
        }
        s.turn();
        const auto sheets = UIActionSheet::visibleSheets();
        if (sheets.empty()) {
            return std::string("no action sheet on screen");
        }
        const auto& sheet = sheets.back();
        int index = -1;
        if (auto error = buttonNamed(*sheet, line.rest, "action sheet", index)) {
            return error;
        }
        const auto point = sheet->screenPointForButtonAtIndex(index);
        if (!point) {
            return "the button " + quoted(line.rest) + " cannot be reached on the action sheet";
        }
        tapScreenPoint(*point);
        return std::nullopt;
    });
    auto simple = [this](const char* name, std::function<void()> action) {
        addCommand(name, name, [this, action](const Line& line) -> std::optional<std::string> {
            if (auto error = expectWords(line, 0)) {
                return error;
            }
            action();
            return std::nullopt;
        });
    };
    simple("background", [&s] { s.enterBackground(); });
    simple("foreground", [&s] { s.enterForeground(); });
    simple("quit", [&s] { s.quit(); });
    // The host never unloads views by itself: the screens hear the warning and decide.
    simple("memoryWarning", [&s] {
        UIApplicationSimulateMemoryWarning();
        s.turn();
    });
}

void ScriptDriver::settleTransitions()
{
    const UIApplication& app = UIApplication::sharedApplication();
    if (app.isIgnoringInteractionEvents()) {
        (void)letTimePass(kTransitionWaitSeconds, [&app] { return !app.isIgnoringInteractionEvents(); });
    }
}

bool ScriptDriver::letTimePass(double seconds, const std::function<bool()>& done)
{
    RunLoop& loop = RunLoop::main();
    const double end = loop.now() + seconds;
    while (true) {
        session_.turn();
        if (done && done()) {
            return true;
        }
        const double left = end - loop.now();
        if (left <= 0 || session_.isTerminated()) {
            return false;
        }
        const double step = std::min(kWaitForStepSeconds, left);
        if (loop.clock()->isManual()) {
            (void)loop.runUntil(done, step);
        }
        session_.wait(step);
        // The last step lands on the end itself, where timers due then have fired.
        if (step == left) {
            return done && done();
        }
    }
}

ScriptDriver::Outcome ScriptDriver::runFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return Outcome { false, false, path + ": cannot read the script", 0 };
    }
    std::ostringstream text;
    text << in.rdbuf();
    return runText(text.str(), path);
}

void ScriptDriver::settleLaunch()
{
    // What the launch queued (the first screen's set-up, its layout) runs before the first
    // command, without moving the script's clock, so a tap at once finds that screen.
    constexpr int kMostTurns = 100;
    for (int i = 0; i < kMostTurns && RunLoop::main().pendingWork() > 0; ++i) {
        session_.turn();
    }
    session_.turn();
    UIView::layoutPendingViews();
    launchSettled_ = true;
}

ScriptDriver::Outcome ScriptDriver::runText(std::string_view text, const std::string& sourceName)
{
    if (!launchSettled_) {
        settleLaunch();
    }
    Outcome outcome;
    int lineNumber = 0;
    std::size_t start = 0;
    while (start <= text.size() && !outcome.quit) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        const std::string_view raw = text.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        const std::string_view content = trim(raw);
        if (content.empty() || content.front() == '#') {
            if (end == text.size()) {
                break;
            }
            continue;
        }
        Line line;
        const std::size_t nameEnd = std::min(content.find_first_of(" \t"), content.size());
        line.name = std::string(content.substr(0, nameEnd));
        line.rest = std::string(trim(content.substr(nameEnd)));
        line.words = splitWords(line.rest);
        auto fail = [&](const std::string& message) {
            outcome.ok = false;
            outcome.error = sourceName + ":" + std::to_string(lineNumber) + ": " + message;
            return outcome;
        };
        const auto command = commands_.find(line.name);
        if (command == commands_.end()) {
            return fail("unknown command " + quoted(line.name));
        }
        if (auto error = command->second.handler(line)) {
            return fail(line.name + ": " + *error);
        }
        ++outcome.commandsRun;
        if (line.name == "quit" || session_.isTerminated()) {
            outcome.quit = true;
        }
        if (end == text.size()) {
            break;
        }
    }
    return outcome;
}
