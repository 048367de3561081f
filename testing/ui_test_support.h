// Test support for the window tests: one QApplication for the whole test
// program, the controls of a window by name, and a
// handler for the modal windows a
// test action opens (message boxes, dialogs), which would otherwise wait
// for a user.
#ifndef VOR_TESTING_UI_TEST_SUPPORT_H_
#define VOR_TESTING_UI_TEST_SUPPORT_H_

#include <QString>
#include <QWidget>
#include <functional>
#include <stdexcept>
#include <string>

namespace vor::test {

// Runs `action`. Each modal window that opens meanwhile is handed once to
// `handle`, which must close it (accept, reject, click a button). Returns
// how many modal windows were handled.
int WithModalHandler(const std::function<void(QWidget*)>& handle,
                     const std::function<void()>& action);

// The text of a message box, or "" for any other widget.
QString MessageText(QWidget* modal);

// The child of `window` of type T whose object name is `name`. Throws
// (failing the test) when there is none.
template <class T>
T* Find(const QObject* window, const char* name) {
  T* child = window->findChild<T*>(QString::fromLatin1(name));
  if (child == nullptr) {
    throw std::logic_error(std::string("no control named ") + name);
  }
  return child;
}

// Shows `window` and waits until it is the active window, so that focus
// changes take effect as they would for a user.
bool ShowActive(QWidget* window);

// Delivers the pending deferred deletions (windows closed with
// WA_DeleteOnClose).
void FlushDeletes();

}  // namespace vor::test

#endif  // VOR_TESTING_UI_TEST_SUPPORT_H_
