#include "app/window_context.h"

#include <exception>
#include <new>

#include "app/messages.h"
#include "app/user_prompts.h"

namespace sonavix {

void ShowingErrors(const WindowContext& context, const std::function<void()>& command) {
  try {
    command();
  } catch (const std::bad_alloc&) {
    context.prompts.ShowError(context.window, kOutOfMemory);
  } catch (const std::exception& error) {
    context.prompts.ShowError(context.window, QString::fromLocal8Bit(error.what()));
  } catch (...) {
    context.prompts.ShowError(context.window, kUnknownError);
  }
}

}  // namespace sonavix
