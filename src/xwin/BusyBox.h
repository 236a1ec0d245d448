#pragma once

#include <functional>
#include <string>

namespace orbpix::xwin {

// Shows a message to the user; called from the work a busy box runs.
using MessageSink = std::function<void(const std::string& message)>;

// Runs work on a thread of its own while a box titled title shows the text and an OK button;
// the box closes by itself when the work ends, and OK only closes it sooner: nothing waits
// for the user. Messages the work reports go into message boxes (and to standard error) in
// place of the busy box; the work waits until each is closed. Without a display the work
// runs here, its messages going to standard error. Returns what the work returns.
int runWithBusyBox(const std::string& title, const std::string& text,
                   const std::function<int(const MessageSink& report)>& work);

}  // namespace orbpix::xwin
