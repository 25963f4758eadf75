#pragma once

#include <string>

// The alert text of a connect that failed, shared by the start screen and the connection form.
namespace ConnectAlert {

// "Could not connect to server (<code>)!\n" and the reason: the three codes users meet most get
// a word of ours, every other code the transfer library's own text.
[[nodiscard]] std::string messageForCode(int code);

// Shows it under the title "Error" with one "OK" button and no delegate.
void showForCode(int code);

} // namespace ConnectAlert
