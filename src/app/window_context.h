#pragma once
// What every controller of the main window works with: the window (the
// parent of its questions and messages), the prompts they go through, the
// sound session, the status bar and the folder the file dialogs start in.

#include <functional>

class QWidget;

namespace sonavix {

class RecentPlaces;
class UserPrompts;
class WindowStatus;
struct SoundSession;

struct WindowContext {
  QWidget* window;
  UserPrompts& prompts;
  SoundSession& session;
  WindowStatus& status;
  RecentPlaces& recent;
};

// Runs a command so that an error escaping it is shown to the user and the
// program goes on; the commands leave the sound whole when they fail.
void ShowingErrors(const WindowContext& context, const std::function<void()>& command);

}  // namespace sonavix
