#pragma once

#include <memory>
#include <string>
#include <string_view>

class UIAlertView;
class UIAlertViewDelegate;

// The refusal a screen shows when the one remote operation the network manager can run at a
// time belongs to someone else (a cancelled connect still waiting for its time-out, a listing),
// so a tap that does nothing is never left unexplained.
namespace BusyAlert {

inline constexpr char kConnectNotStarted[] = "the connection was not opened";
inline constexpr char kNothingCreated[] = "nothing was created";
inline constexpr char kFileNotOpened[] = "the file was not opened";
inline constexpr char kFileNotSaved[] = "the file was not saved";

// "Another server operation is still running, so <notDone>. Please try again when it has ended."
[[nodiscard]] std::string message(std::string_view notDone);

// Logs the refusal and shows the message under the title "Error" with one "OK" button; the
// delegate, if any, hears the button (the editor closes on it when the file was not opened).
std::shared_ptr<UIAlertView> show(std::string_view notDone, std::weak_ptr<UIAlertViewDelegate> delegate = {});

} // namespace BusyAlert
