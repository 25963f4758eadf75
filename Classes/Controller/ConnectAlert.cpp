#include "Classes/Controller/ConnectAlert.h"

#include <memory>

#include "Classes/Others/NetworkManager.h"
#include "Platform/UIKit/UIAlertView.h"

namespace ConnectAlert {

namespace {

constexpr int kCouldNotResolveHost = 6;
constexpr int kCouldNotConnect = 7;
constexpr int kLoginDenied = 67;

} // namespace

std::string messageForCode(int code)
{
    std::string message = "Could not connect to server (" + std::to_string(code) + ")!\n";
    switch (code) {
    case kCouldNotResolveHost:
        return message + "Invalid or unreachable host!";
    case kCouldNotConnect:
        return message + "No service!";
    case kLoginDenied:
        return message + "Invalid login!";
    default:
        return message + NetworkManager::sharedManager().getErrorMessage(code);
    }
}

void showForCode(int code)
{
    std::make_shared<UIAlertView>("Error", messageForCode(code), std::weak_ptr<UIAlertViewDelegate> {}, "OK")
        ->show();
}

} // namespace ConnectAlert
