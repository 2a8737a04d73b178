#pragma once
// Modal message boxes of the viewer's units without a window library: the
// user interface installs a handler that shows them; the default writes the
// text to standard error.
#include <functional>
#include <string>

namespace viewer {

// The single button of an error box.
enum class MessageButton { Abort, Cancel };

using MessageHandler = std::function<void(const std::string& text, MessageButton button)>;

// Installs the handler (an empty one restores the default); returns the previous.
MessageHandler SetMessageHandler(MessageHandler handler);
void ShowErrorMessage(const std::string& text, MessageButton button);

}  // namespace viewer
